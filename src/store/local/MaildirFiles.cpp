#include "store/local/MaildirFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "store/local/Files.h"
#include "store/local/MaildirName.h"

namespace store::local {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

void ForEachMessageFile(
    const std::string& directory,
    const std::function<void(const char* subdir, std::string_view name)>& visit) {
  for (const char* subdir : {"cur", "new"}) {
    std::string path = directory + "/" + subdir;
    std::unique_ptr<DIR, DirCloser> dir(opendir(path.c_str()));
    if (!dir) {
      if (errno == ENOENT || errno == ENOTDIR) continue;
      throw FileError(path, errno);
    }
    errno = 0;
    while (dirent* entry = readdir(dir.get())) {
      // Dotfiles are never messages (and "." and ".." are directories).
      if (entry->d_name[0] != '.' && entry->d_type != DT_DIR) visit(subdir, entry->d_name);
      errno = 0;
    }
    if (errno != 0) throw FileError(path, errno);
  }
}

bool MaildirFiles::TryRead(const std::string& relative, Bytes& bytes, int& error,
                           FileStamp* stamp) {
  std::string path = directory_ + "/" + relative;
  struct stat opened;
  FileDescriptor file = OpenForReading(path, &opened);
  if (file.get() < 0) {
    error = errno;
    return false;
  }
  bytes = ReadAll(file, path, stamp, &opened);
  return true;
}

void MaildirFiles::Relist() {
  moved_.clear();
  ForEachMessageFile(directory_, [this](const char* subdir, std::string_view name) {
    std::string relative = std::string(subdir) + "/";
    relative += name;
    moved_.emplace(std::string(maildir_name::Unique(name)), std::move(relative));
  });
}

Bytes MaildirFiles::Read(const std::string& listed, FileStamp* stamp) {
  Bytes bytes;
  int error = 0;
  if (TryRead(listed, bytes, error, stamp)) return bytes;
  if (error != ENOENT) throw FileError(directory_ + "/" + listed, error);

  std::string unique(maildir_name::Unique(listed.substr(listed.find('/') + 1)));
  std::lock_guard lock(mutex_);
  for (bool relisted : {false, true}) {
    if (relisted) Relist();
    auto now = moved_.find(unique);
    if (now == moved_.end() || now->second == listed) continue;
    if (TryRead(now->second, bytes, error, stamp)) return bytes;
    if (relisted && error != ENOENT) throw FileError(directory_ + "/" + now->second, error);
  }
  // Deleted by another mail client since the maildir was listed.
  throw FileError(directory_ + "/" + listed, ENOENT);
}

}  // namespace store::local

namespace store::local {

bool MaildirFiles::Unchanged(const std::string& listed, const FileStamp& stamp) {
  if (StampOf(directory_ + "/" + listed) == stamp) return true;
  std::string unique(maildir_name::Unique(listed.substr(listed.find('/') + 1)));
  std::lock_guard lock(mutex_);
  auto now = moved_.find(unique);
  return now != moved_.end() && StampOf(directory_ + "/" + now->second) == stamp;
}

}  // namespace store::local
