#include "store/local/LocalStore.h"

#include <filesystem>
#include <functional>
#include <set>

#include "store/local/LocalFolder.h"
#include "store/local/MaildirTree.h"
#include "store/local/MboxTree.h"
#include "store/mbox/Decompressing.h"

namespace store::local {

std::shared_ptr<Folder> LocalStore::RootFolder() {
  LocalFolder::Children children;
  switch (found_.kind) {
    case FoundStore::Kind::MaildirTree:
      children = [path = found_.path] { return MaildirTreeFolders(path); };
      break;
    case FoundStore::Kind::MboxTree:
      children = [path = found_.path] { return MboxTreeFolders(path); };
      break;
    case FoundStore::Kind::MhTree:
      children = [path = found_.path] { return MboxTreeFolders(path, MhFolders::Every); };
      break;
    case FoundStore::Kind::EvolutionTree:
      children = [path = found_.path] { return EvolutionTreeFolders(path); };
      break;
    case FoundStore::Kind::KMailTree:
      children = [path = found_.path] { return KMailTreeFolders(path); };
      break;
    case FoundStore::Kind::Spool:
      children = Fixed({std::make_shared<LocalFolder>(
          "Inbox", FolderMessages{FolderMessages::Kind::Mbox, found_.path})});
      break;
    case FoundStore::Kind::PersonalFolderFile:
      throw Error::Unreadable(found_.path + " is a personal folder file, not a local folder tree");
    case FoundStore::Kind::MboxFile:
      // A compressed file's folder is named without the suffix, as in a directory of mbox files.
      children =
          Fixed({mbox::CompressionOf(found_.path)
                     ? std::make_shared<LocalFolder>(
                           std::string(mbox::WithoutCompressionSuffix(found_.name)),
                           FolderMessages{FolderMessages::Kind::CompressedMbox, found_.path})
                     : std::make_shared<LocalFolder>(
                           found_.name, FolderMessages{FolderMessages::Kind::Mbox, found_.path})});
      break;
  }
  return std::make_shared<LocalFolder>(found_.name, FolderMessages{}, std::move(children));
}

std::vector<std::string> LocalStore::Locations() {
  // The store's own place, and every folder below it that a link takes elsewhere. Links may
  // make loops, so each place is gone into once, and the walk is bounded.
  constexpr int kDeepest = 32;
  constexpr std::size_t kMostFolders = 50000;
  std::vector<std::string> locations{found_.path};
  std::set<std::filesystem::path> seen;
  std::size_t visited = 0;
  std::function<void(LocalFolder&, int)> visit = [&](LocalFolder& folder, int depth) {
    if (const std::string& path = folder.messagesPath(); !path.empty()) {
      std::error_code error;
      const std::filesystem::path real = std::filesystem::canonical(path, error);
      if (!error && !seen.insert(real).second) return;
      locations.push_back(path);
    }
    if (depth == kDeepest) return;
    for (const auto& child : folder.ChildFolders()) {
      if (++visited > kMostFolders) return;
      visit(*child, depth + 1);
    }
  };
  // A folder that cannot be listed hides nothing more to protect than the store's own place.
  try {
    visit(static_cast<LocalFolder&>(*RootFolder()), 0);
  } catch (const Error&) {
  }
  return locations;
}

}  // namespace store::local
