#include "store/local/MboxTree.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <map>

#include "mail/FolderName.h"
#include "store/maildir/Maildir.h"
#include "store/mbox/Decompressing.h"
#include "store/mh/MhFolder.h"
#include "store/reading/Directory.h"
#include "store/reading/FileReading.h"

namespace store::local {

using mail::FileNameText;
using maildir::IsMaildir;
using maildir::MayBeMaildir;
using mh::IsMarkedMhFolder;
using reading::DirectoryEntry;
using reading::FileDescriptor;
using reading::ListDirectory;
using reading::OpenForReading;
namespace {

bool EndsWithIgnoringCase(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  std::string_view tail = name.substr(name.size() - suffix.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != suffix[i]) return false;
  }
  return true;
}

bool IsIndexOrState(const DirectoryEntry& entry) {
  const std::string& name = entry.name;
  if (name.starts_with('.') || name.starts_with("dovecot") || name.starts_with("courierimap")) {
    return true;
  }
  if (entry.type == DirectoryEntry::Type::Directory) return name == "tmp";
  for (std::string_view suffix : {".msf", ".dat", ".json", ".html"}) {
    if (EndsWithIgnoringCase(name, suffix)) return true;
  }
  return false;
}

// Empty or starting with "From ". A file that cannot be read counts too, so that reading its
// messages says why rather than the folder going unlisted; one that has gone meanwhile, or has
// become something other than a file, does not.
bool IsMbox(const std::string& path) {
  FileDescriptor file = OpenForReading(path);
  if (file.get() < 0) return errno != ENOENT && errno != EISDIR && errno != EINVAL;
  char start[5];
  ssize_t n = ::pread(file.get(), start, sizeof start, 0);
  return n <= 0 || (n == 5 && std::string_view(start, 5) == "From ");
}

// What a directory holds of its own: it is an MH folder, a maildir, or neither. A directory that
// cannot be looked into is taken for a maildir outside nmh's tree, and for an MH folder in it.
FolderMessages OwnMessages(const std::string& path, MhFolders mh) {
  if (mh == MhFolders::Every) {
    if (IsMaildir(path)) return {FolderMessages::Kind::Maildir, path};
    return {FolderMessages::Kind::Mh, path};
  }
  if (IsMarkedMhFolder(path)) return {FolderMessages::Kind::Mh, path};
  if (MayBeMaildir(path)) return {FolderMessages::Kind::Maildir, path};
  return {};
}

// What one name stands for in the directory: its mbox file or maildir, its .sbd directory, or a
// plain directory; several can meet under one name.
struct Found {
  FolderMessages messages;
  std::vector<std::string> childDirectories;
};

}  // namespace

// The folders in `directory`. In an MH folder the files are its messages: only its directories
// can be folders.
static LocalFolders TreeFolders(const std::string& directory, MhFolders mh, bool mhFolder) {
  std::map<std::string, Found> found;
  // Compressed mbox files, named without their suffix: folders of their own, listed beside any
  // folder of the same name.
  LocalFolders compressed;
  for (const DirectoryEntry& entry : ListDirectory(directory)) {
    if (IsIndexOrState(entry) || (mhFolder && entry.type != DirectoryEntry::Type::Directory)) {
      continue;
    }
    if (entry.type == DirectoryEntry::Type::File) {
      if (const auto compression = mbox::CompressionOf(entry.name);
          compression && mbox::IsCompressedMbox(entry.path, *compression)) {
        compressed.push_back(std::make_shared<LocalFolder>(
            FileNameText(std::string(mbox::WithoutCompressionSuffix(entry.name))),
            FolderMessages{FolderMessages::Kind::CompressedMbox, entry.path}));
      } else if (IsMbox(entry.path)) {
        found[entry.name].messages = {FolderMessages::Kind::Mbox, entry.path};
      }
    } else if (entry.type == DirectoryEntry::Type::Directory) {
      if (entry.name == "cur" || entry.name == "new") {
        if (IsMaildir(directory)) continue;  // the maildir's own
      }
      if (entry.name.size() > 4 && entry.name.ends_with(".sbd")) {
        found[entry.name.substr(0, entry.name.size() - 4)].childDirectories.push_back(entry.path);
        continue;
      }
      Found& folder = found[entry.name];
      if (auto own = OwnMessages(entry.path, mh); own.kind != FolderMessages::Kind::None) {
        folder.messages = std::move(own);
      }
      folder.childDirectories.push_back(entry.path);
    }
  }
  LocalFolders folders;
  for (auto& [name, folder] : found) {
    const std::string mhFolder =
        folder.messages.kind == FolderMessages::Kind::Mh ? folder.messages.path : "";
    auto children = [directories = folder.childDirectories, mh, mhFolder] {
      LocalFolders all;
      for (const std::string& d : directories) {
        LocalFolders some = TreeFolders(d, mh, d == mhFolder);
        all.insert(all.end(), some.begin(), some.end());
      }
      return all;
    };
    folders.push_back(
        std::make_shared<LocalFolder>(FileNameText(name), folder.messages, std::move(children)));
  }
  folders.insert(folders.end(), compressed.begin(), compressed.end());
  return folders;
}

LocalFolders MboxTreeFolders(const std::string& directory, MhFolders mh) {
  return TreeFolders(directory, mh, false);
}

}  // namespace store::local
