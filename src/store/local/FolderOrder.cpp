#include "store/local/FolderOrder.h"

#include <QString>
#include <algorithm>

namespace store::local {

void SortFolders(LocalFolders& folders) {
  struct Keyed {
    QString name;
    bool inbox;
    std::shared_ptr<LocalFolder> folder;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(folders.size());
  for (auto& folder : folders) {
    QString name = QString::fromStdString(folder->name());
    bool inbox = name.compare(QLatin1String("inbox"), Qt::CaseInsensitive) == 0;
    keyed.push_back({std::move(name), inbox, std::move(folder)});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& x, const Keyed& y) {
    if (x.inbox != y.inbox) return x.inbox;
    if (x.inbox) return false;  // several inboxes keep the order they were found in
    if (int c = x.name.compare(y.name, Qt::CaseInsensitive)) return c < 0;
    return x.folder->name() < y.folder->name();
  });
  for (std::size_t i = 0; i < keyed.size(); ++i) folders[i] = std::move(keyed[i].folder);
}

}  // namespace store::local
