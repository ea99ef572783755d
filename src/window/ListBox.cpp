#include "window/ListBox.h"

#include <QListWidget>

#include "export/RecordText.h"

namespace window {
namespace {

constexpr int kPositionRole = Qt::UserRole;
// Enough for any real subject or folder name; a label or entry sized to more stalls the window.
constexpr std::size_t kShownCharacters = 300;

}  // namespace

int ListIndex(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? -1 : list.row(selected.front());
}

int ListPosition(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? -1 : selected.front()->data(kPositionRole).toInt();
}

QString ShownText(std::string_view text) {
  // Cut at a character boundary: a UTF-8 continuation byte never starts a character.
  std::size_t end = 0;
  std::size_t characters = 0;
  while (end < text.size() && characters < kShownCharacters) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  QString shown = QString::fromStdString(exporter::OneLine(text.substr(0, end)));
  if (end < text.size()) shown += QChar(0x2026);  // an ellipsis: there is more
  return shown;
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
