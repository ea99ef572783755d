#include "window/ListBox.h"

#include <QListWidget>

#include "export/ShownText.h"

namespace window {

using exporter::ShownText;
namespace {

constexpr int kPositionRole = Qt::UserRole;

}  // namespace

int ListIndex(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? -1 : list.row(selected.front());
}

int ListPosition(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? -1 : selected.front()->data(kPositionRole).toInt();
}

std::string FolderPath(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) {
    if (!path.empty()) path += '/';
    for (char c : name) path += c == '/' ? std::string("\\/") : std::string(1, c);
  }
  return path;
}

ListFiller::ListFiller(QListWidget& list) : list_(list) { list_.clear(); }

void ListFiller::Add(const std::string& name, int position,
                     const std::function<std::string()>& origin) {
  QString text = ShownText(name);
  if (shown_.contains(text)) {
    const QString plain = text;
    const QString from = ShownText(origin());
    if (!from.isEmpty() && from != plain) text = plain + QStringLiteral(" (%1)").arg(from);
    for (int n = 2; shown_.contains(text); ++n) text = plain + QStringLiteral(" (%1)").arg(n);
  }
  shown_.insert(text);
  auto* item = new QListWidgetItem(text);
  item->setData(kPositionRole, position);
  list_.addItem(item);
}

}  // namespace window
