#pragma once

#include <string>
#include <vector>

namespace store::reading {

struct DirectoryEntry {
  enum class Type { Directory, File, Other };
  std::string name;
  std::string path;
  Type type;  // of what a symbolic link points to
};

// The entries of a directory, in the file system's order; throws Error::Unreadable with the
// system's reason when it cannot be listed.
std::vector<DirectoryEntry> ListDirectory(const std::string& path);

bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);

}  // namespace store::reading
