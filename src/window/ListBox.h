#pragma once

#include <QSet>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QListWidget;

namespace window {

// The list operations the handlers use. Each entry remembers the position, in the collection
// that filled the list, of the element it stands for, so that an entry always leads back to its
// own element, whatever other elements are named.

// The selected entry's number, or -1 when none is selected.
int ListIndex(const QListWidget& list);
// The position of the selected entry's element, or -1 when none is selected.
int ListPosition(const QListWidget& list);

// A folder's path below the folder whose folders a list shows, its names joined by "/"; a "/"
// inside a name is shown as "\/".
std::string FolderPath(const std::vector<std::string>& names);

// Fills one list, an entry per element. Where two entries would show the same text, the later
// one also shows what tells its element apart (its origin), or else a number.
class ListFiller {
 public:
  explicit ListFiller(QListWidget& list);
  void Add(const std::string& name, int position, const std::function<std::string()>& origin);

 private:
  QListWidget& list_;
  QSet<QString> shown_;
};

}  // namespace window
