#include "store/pff/PffStore.h"

#include <libpff.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>

#include "store/pff/PffFolder.h"
#include "store/reading/FileReading.h"

namespace store::pff {
namespace {

std::shared_ptr<PffItem> ItemOf(const std::shared_ptr<Folder>& folder) {
  return static_cast<PffFolder&>(*folder).item();
}

// The folder whose folders are the user's: "Top of Personal Folders" in a .pst; in an .ost the
// IPM_SUBTREE of its mailbox root. A file of neither shape shows its root's folders.
std::shared_ptr<PffItem> TopOfPersonalFolders(const std::shared_ptr<PffFile>& file) {
  libpff_item_t* root = nullptr;
  {
    std::lock_guard hold(file->lock());
    libpff_error_t* error = nullptr;
    if (libpff_file_get_root_folder(file->handle(), &root, &error) != 1 || !root) {
      throw file->Failure(file->path() + " has no readable folders", error);
    }
  }
  std::shared_ptr<PffItem> top = std::make_shared<PffItem>(file, root);
  for (const char* name : {"Top of Personal Folders", "Root - Mailbox"}) {
    for (const std::shared_ptr<Folder>& folder : PffFolder::SubFolders(top)) {
      if (folder->Name() != name || !ItemOf(folder)) continue;
      if (std::string_view(name) == "Top of Personal Folders") return ItemOf(folder);
      for (const std::shared_ptr<Folder>& below : PffFolder::SubFolders(ItemOf(folder))) {
        if (below->Name() == "IPM_SUBTREE" && ItemOf(below)) return ItemOf(below);
      }
    }
  }
  return top;
}

}  // namespace

bool HasPersonalFolderSignature(const std::string& path) {
  const reading::FileDescriptor file = reading::OpenForReading(path);
  char start[4];
  return file.get() >= 0 && ::pread(file.get(), start, sizeof start, 0) == 4 &&
         std::string_view(start, 4) == std::string_view(kSignature, 4);
}

PffStore::PffStore(std::string path, std::string fileName)
    : path_(std::move(path)), fileName_(std::move(fileName)) {
  if (fileName_.empty()) fileName_ = std::filesystem::path(path_).filename().string();
}

std::shared_ptr<PffFile> PffStore::File() {
  std::lock_guard hold(opening_);
  if (!file_) file_ = PffFile::Open(path_);
  return file_;
}

std::string PffStore::Name() {
  constexpr std::uint32_t kDisplayName = 0x3001;
  if (name_) return *name_;
  name_ = fileName_;
  try {
    const std::shared_ptr<PffFile> file = File();
    std::lock_guard hold(file->lock());
    libpff_item_t* store = nullptr;
    libpff_error_t* error = nullptr;
    if (libpff_file_get_message_store(file->handle(), &store, &error) == 1 && store) {
      if (auto name = ItemText(store, kDisplayName); name && !name->empty()) name_ = *name;
      libpff_item_free(&store, nullptr);
    }
    libpff_error_free(&error);
  } catch (const Error&) {
    // A file that cannot be opened is still listed under its file name; its folders say why.
  }
  return *name_;
}

std::shared_ptr<Folder> PffStore::RootFolder() {
  const std::shared_ptr<PffFile> file = File();
  return std::make_shared<PffFolder>(Name(), TopOfPersonalFolders(file));
}

}  // namespace store::pff
