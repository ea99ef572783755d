#include "store/pff/PffFolder.h"

#include <libpff.h>

#include <QString>
#include <algorithm>
#include <vector>

#include "store/ListCollection.h"
#include "store/pff/PffMessages.h"

namespace store::pff {
namespace {

std::string FolderName(libpff_item_t* folder) {
  libpff_error_t* error = nullptr;
  size_t size = 0;
  if (libpff_folder_get_utf8_name_size(folder, &size, &error) != 1 || size == 0) {
    libpff_error_free(&error);
    return {};
  }
  std::vector<uint8_t> name(size);
  if (libpff_folder_get_utf8_name(folder, name.data(), size, &error) != 1) {
    libpff_error_free(&error);
    return {};
  }
  return std::string(reinterpret_cast<const char*>(name.data()), size - 1);
}

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

std::vector<std::shared_ptr<Folder>> PffFolder::SubFolders(const std::shared_ptr<PffItem>& item) {
  const std::shared_ptr<PffFile>& file = item->file();
  std::vector<std::shared_ptr<Folder>> folders;
  {
    std::lock_guard hold(file->lock());
    int count = 0;
    libpff_error_t* error = nullptr;
    if (libpff_folder_get_number_of_sub_folders(item->get(), &count, &error) != 1) {
      throw file->Failure("the folder's folders could not be listed", error);
    }
    for (int i = 0; i < count; ++i) {
      libpff_item_t* sub = nullptr;
      if (libpff_folder_get_sub_folder(item->get(), i, &sub, &error) != 1 || !sub) {
        const std::string place = "folder " + std::to_string(i + 1) + " (unreadable)";
        folders.push_back(
            std::make_shared<PffFolder>(place, file->Failure(place + " could not be read", error)));
        continue;
      }
      std::string name = FolderName(sub);
      folders.push_back(
          std::make_shared<PffFolder>(std::move(name), std::make_shared<PffItem>(file, sub)));
    }
  }
  SortFolders(folders);
  return folders;
}

std::shared_ptr<Collection<Folder>> PffFolder::Folders() {
  if (failure_)
    return std::make_shared<ListCollection<Folder>>(std::vector<std::shared_ptr<Folder>>{});
  return std::make_shared<ListCollection<Folder>>(SubFolders(item_));
}

std::shared_ptr<Collection<Message>> PffFolder::Messages() {
  if (failure_) throw *failure_;
  return std::make_shared<PffMessages>(item_);
}

}  // namespace store::pff
