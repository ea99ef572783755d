#include "store/pff/PffFolder.h"

#include <QString>
#include <algorithm>
#include <vector>

#include "store/ListCollection.h"
#include "store/pff/PffMessages.h"

namespace store::pff {
namespace {

// Inbox first, then by name without regard to case, then by the names' bytes; the same rule as
// the folders on disk, so every store's folders read alike.
void SortFolders(std::vector<std::shared_ptr<Folder>>& folders) {
  struct Keyed {
    QString name;
    std::string bytes;
    bool inbox;
    std::shared_ptr<Folder> folder;
  };
  std::vector<Keyed> keyed;
  for (auto& folder : folders) {
    std::string bytes = folder->Name();
    QString name = QString::fromStdString(bytes);
    const bool inbox = name.compare(QLatin1String("inbox"), Qt::CaseInsensitive) == 0;
    keyed.push_back({std::move(name), std::move(bytes), inbox, std::move(folder)});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& x, const Keyed& y) {
    if (x.inbox != y.inbox) return x.inbox;
    if (x.inbox) return false;
    if (int c = x.name.compare(y.name, Qt::CaseInsensitive)) return c < 0;
    return x.bytes < y.bytes;
  });
  for (std::size_t i = 0; i < keyed.size(); ++i) folders[i] = std::move(keyed[i].folder);
}

}  // namespace

std::vector<std::shared_ptr<Folder>> PffFolder::SubFolders(const std::shared_ptr<PffSource>& source,
                                                           const std::vector<int>& place) {
  const wire::Frame listed = source->Ask({"folders", wire::Numbers(place)});
  std::vector<std::shared_ptr<Folder>> folders;
  for (std::size_t at = 1; at + 1 < listed.size(); at += 2) {
    const int index = static_cast<int>(at / 2);
    if (const wire::Field& failure = listed[at + 1]) {
      const std::string name = "folder " + std::to_string(index + 1) + " (unreadable)";
      folders.push_back(std::make_shared<PffFolder>(name, Error::Unreadable(*failure)));
      continue;
    }
    std::vector<int> below = place;
    below.push_back(index);
    folders.push_back(
        std::make_shared<PffFolder>(listed[at].value_or(""), source, std::move(below)));
  }
  SortFolders(folders);
  return folders;
}

std::shared_ptr<Collection<Folder>> PffFolder::Folders() {
  if (failure_)
    return std::make_shared<ListCollection<Folder>>(std::vector<std::shared_ptr<Folder>>{});
  return std::make_shared<ListCollection<Folder>>(SubFolders(source_, place_));
}

std::shared_ptr<Collection<Message>> PffFolder::Messages() {
  if (failure_) throw *failure_;
  return std::make_shared<PffMessages>(source_, place_);
}

}  // namespace store::pff
