#pragma once

#include <string>
#include <vector>

namespace store::local {

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

// A maildir: a directory holding cur/.
bool IsMaildir(const std::string& path);

// A folder to read as a maildir: a directory holding cur/, or one that cannot be looked into
// (no permission), so that reading its messages says why rather than the folder going unlisted.
bool MayBeMaildir(const std::string& path);

}  // namespace store::local
