#include "store/maildir/MaildirFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>

#include "store/maildir/MaildirName.h"
#include "store/reading/FileReading.h"

namespace store::maildir {

using reading::FileDescriptor;
using reading::FileError;
using reading::FileStamp;
using reading::MessageInFile;
using reading::OpenForReading;
using reading::StampOf;
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

long long Nanoseconds(const timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; }

// Whether a directory listed from `start` on (nanoseconds since the epoch), with the status
// `before` as the listing began and `after` at its end, surely did not change meanwhile. A rename,
// creation or removal sets its modification and change times to the present; but the file system
// takes the present from a clock that ticks every few milliseconds (every second or two on some),
// so a change in the same tick as the one before the listing could leave them as they were: a
// directory changed just before its listing is not trusted.
bool SurelyUnchanged(const struct stat& before, const struct stat& after, long long start) {
  const long long modified = Nanoseconds(before.st_mtim), changed = Nanoseconds(before.st_ctim);
  const bool wholeSeconds = before.st_mtim.tv_nsec == 0 && before.st_ctim.tv_nsec == 0;
  const long long tick = wholeSeconds ? 2000000000LL : 50000000LL;
  return modified == Nanoseconds(after.st_mtim) && changed == Nanoseconds(after.st_ctim) &&
         std::max(modified, changed) < start - tick;
}

}  // namespace

bool ForEachMessageFile(
    const std::string& directory,
    const std::function<void(const char* subdir, std::string_view name)>& visit) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const long long start = Nanoseconds(now);
  struct Subdir {
    const char* name;
    std::string path;
    std::unique_ptr<DIR, DirCloser> dir;
    struct stat before;
  };
  Subdir subdirs[] = {{"new", directory + "/new", nullptr, {}},
                      {"cur", directory + "/cur", nullptr, {}}};
  // Both are opened before either is listed, cur/ first, so that a maildir that cannot be read
  // says so of cur/. new/ is listed first: a message moved on to cur/ meanwhile is then seen in
  // one or the other, if not in both.
  for (Subdir* subdir : {&subdirs[1], &subdirs[0]}) {
    subdir->dir.reset(opendir(subdir->path.c_str()));
    if (!subdir->dir) {
      if (errno == ENOENT || errno == ENOTDIR) continue;
      throw FileError(subdir->path, errno);
    }
    if (fstat(dirfd(subdir->dir.get()), &subdir->before) != 0) {
      throw FileError(subdir->path, errno);
    }
  }
  bool settled = true;
  for (Subdir& subdir : subdirs) {
    if (!subdir.dir) continue;
    errno = 0;
    while (dirent* entry = readdir(subdir.dir.get())) {
      // Dotfiles are never messages (and "." and ".." are directories).
      if (entry->d_name[0] != '.' && entry->d_type != DT_DIR) visit(subdir.name, entry->d_name);
      errno = 0;
    }
    if (errno != 0) throw FileError(subdir.path, errno);
    struct stat after;
    if (fstat(dirfd(subdir.dir.get()), &after) != 0) throw FileError(subdir.path, errno);
    settled = settled && SurelyUnchanged(subdir.before, after, start);
  }
  return settled;
}

bool MaildirFiles::TryOpen(const std::string& relative, mail::MessageFile& message, int& error,
                           FileStamp* stamp) {
  std::string path = directory_ + "/" + relative;
  struct stat opened;
  FileDescriptor file = OpenForReading(path, &opened);
  if (file.get() < 0) {
    error = errno;
    return false;
  }
  if (stamp) *stamp = StampOf(opened);
  message = MessageInFile(std::move(file), path, 0, opened.st_size);
  return true;
}

bool MaildirFiles::Relist() {
  moved_.clear();
  return ForEachMessageFile(directory_, [this](const char* subdir, std::string_view name) {
    std::string relative = std::string(subdir) + "/";
    relative += name;
    // A later name wins: cur/ is listed after new/, where the message was before.
    moved_.insert_or_assign(std::string(maildir_name::Unique(name)), std::move(relative));
  });
}

mail::MessageFile MaildirFiles::Open(const std::string& listed, FileStamp* stamp) {
  mail::MessageFile message;
  int error = 0;
  if (TryOpen(listed, message, error, stamp)) return message;
  if (error != ENOENT) throw FileError(directory_ + "/" + listed, error);

  std::string unique(maildir_name::Unique(listed.substr(listed.find('/') + 1)));
  std::lock_guard lock(mutex_);
  // Where the last relisting found it, else where a new one does. A client busy with the folder
  // may rename it while it is relisted, or again before it is opened: a few times, then.
  for (int look = 0; look <= kMaildirListings; ++look) {
    const bool settled = look == 0 || Relist();
    auto now = moved_.find(unique);
    if (now == moved_.end()) {
      if (look > 0 && settled) break;  // deleted by another mail client since it was listed
      continue;
    }
    if (look == 0 && now->second == listed) continue;
    if (TryOpen(now->second, message, error, stamp)) return message;
    if (look > 0 && error != ENOENT) throw FileError(directory_ + "/" + now->second, error);
  }
  throw FileError(directory_ + "/" + listed, ENOENT);
}

}  // namespace store::maildir

namespace store::maildir {

bool MaildirFiles::Unchanged(const std::string& listed, const FileStamp& stamp) {
  if (StampOf(directory_ + "/" + listed) == stamp) return true;
  std::string unique(maildir_name::Unique(listed.substr(listed.find('/') + 1)));
  std::lock_guard lock(mutex_);
  auto now = moved_.find(unique);
  return now != moved_.end() && StampOf(directory_ + "/" + now->second) == stamp;
}

}  // namespace store::maildir
