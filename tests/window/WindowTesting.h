#pragma once

#include <QListWidget>
#include <QStringList>
#include <QTest>
#include <ostream>

// Clicks entry `row` of `list` as the user would.
inline void ClickEntry(QListWidget& list, int row) {
  QListWidgetItem* item = list.item(row);
  list.scrollToItem(item);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                    list.visualItemRect(item).center());
}

inline QStringList Entries(const QListWidget& list) {
  QStringList entries;
  for (int i = 0; i < list.count(); ++i) entries << list.item(i)->text();
  return entries;
}

// Lets a failing test show text as text.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
