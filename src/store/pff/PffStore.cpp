#include "store/pff/PffStore.h"

#include <unistd.h>

#include <filesystem>
#include <string_view>

#include "store/pff/PffFolder.h"
#include "store/reading/FileReading.h"

namespace store::pff {
namespace {

// The place of the folder whose folders are the user's: "Top of Personal Folders" in a .pst; in
// an .ost the IPM_SUBTREE of its mailbox root. A file of neither shape shows its root's folders.
std::vector<int> TopOfPersonalFolders(const std::shared_ptr<PffSource>& source) {
  // The reader's listing is in the file's order, so a folder's index is its place in it.
  auto find = [&source](const std::vector<int>& place, const std::string& name) {
    const wire::Frame listed = source->Ask({"folders", wire::Numbers(place)});
    for (std::size_t at = 1; at + 1 < listed.size(); at += 2) {
      if (!listed[at + 1] && listed[at] == name) {
        std::vector<int> found = place;
        found.push_back(static_cast<int>(at / 2));
        return std::optional(found);
      }
    }
    return std::optional<std::vector<int>>();
  };
  if (auto top = find({}, "Top of Personal Folders")) return *top;
  if (auto mailbox = find({}, "Root - Mailbox")) {
    if (auto subtree = find(*mailbox, "IPM_SUBTREE")) return *subtree;
  }
  return {};
}

}  // namespace

bool HasPersonalFolderSignature(const std::string& path) {
  const reading::FileDescriptor file = reading::OpenForReading(path);
  char start[4];
  return file.get() >= 0 && ::pread(file.get(), start, sizeof start, 0) == 4 &&
         std::string_view(start, 4) == std::string_view(kSignature, 4);
}

PffStore::PffStore(std::string path, std::string fileName)
    : path_(std::move(path)),
      fileName_(std::move(fileName)),
      source_(std::make_shared<PffSource>(path_)) {
  if (fileName_.empty()) fileName_ = std::filesystem::path(path_).filename().string();
}

std::string PffStore::Name() {
  if (name_) return *name_;
  name_ = fileName_;
  try {
    const wire::Frame answer = source_->Ask({"store"});
    if (answer.size() > 1 && answer[1] && !answer[1]->empty()) name_ = *answer[1];
  } catch (const Error&) {
    // A file that cannot be opened is still listed under its file name; its folders say why.
  }
  return *name_;
}

std::shared_ptr<Folder> PffStore::RootFolder() {
  return std::make_shared<PffFolder>(Name(), source_, TopOfPersonalFolders(source_));
}

}  // namespace store::pff
