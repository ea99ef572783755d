#include "store/reading/Directory.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "store/Error.h"

namespace store::reading {

namespace fs = std::filesystem;

std::vector<DirectoryEntry> ListDirectory(const std::string& path) {
  std::vector<DirectoryEntry> entries;
  std::error_code error;
  fs::directory_iterator it(path, error), end;
  for (; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    DirectoryEntry::Type type = DirectoryEntry::Type::Other;
    if (it->is_directory(ignored)) {
      type = DirectoryEntry::Type::Directory;
    } else if (it->is_regular_file(ignored)) {
      type = DirectoryEntry::Type::File;
    }
    entries.push_back({it->path().filename().string(), it->path().string(), type});
  }
  if (error) throw Error::Unreadable(path + ": " + error.message());
  return entries;
}

bool IsDirectory(const std::string& path) {
  std::error_code ignored;
  return fs::is_directory(path, ignored);
}

bool IsFile(const std::string& path) {
  std::error_code ignored;
  return fs::is_regular_file(path, ignored);
}

}  // namespace store::reading
