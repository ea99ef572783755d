#include "window/ListBox.h"

#include <QListWidget>

namespace window {

int ListIndex(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? -1 : list.row(selected.front());
}

std::string ListText(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
}

void AddItem(QListWidget& list, const std::string& text) {
  list.addItem(QString::fromStdString(text));
}

}  // namespace window
