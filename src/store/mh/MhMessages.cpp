#include "store/mh/MhMessages.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "store/mh/MhName.h"
#include "store/reading/FileReading.h"
#include "store/reading/ListedCursor.h"
#include "store/reading/ParsedMessage.h"

namespace store::mh {

using reading::Fetched;
using reading::FileDescriptor;
using reading::FileError;
using reading::FileStamp;
using reading::MessageInFile;
using reading::MessageSource;
using reading::OpenForReading;
using reading::StampOf;
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// Whether the entry is a directory: a subfolder, even when its name is a number. Most file
// systems say so in the entry; only the others, and links, are looked up (never opened).
bool IsSubdirectory(DIR* dir, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return entry.d_type == DT_DIR;
  struct stat st;
  return ::fstatat(dirfd(dir), entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// The message file, opened for the parser to read from it, dated by its modification time.
Fetched ReadMessage(const std::string& path) {
  struct stat opened;
  FileDescriptor file = OpenForReading(path, &opened);
  if (file.get() < 0) throw FileError(path, errno);
  Fetched fetched{{{}, false, opened.st_mtim.tv_sec}, {}};
  fetched.stamp = StampOf(opened);
  fetched.raw.file = MessageInFile(std::move(file), path, 0, opened.st_size);
  return fetched;
}

}  // namespace

// The message numbers as listed, in order. A number's file name needs no allocation of its own
// (it fits in the string), so a folder of 100,000 messages costs a few megabytes.
class MhMessages::Listing {
 public:
  explicit Listing(std::string directory) : directory_(std::move(directory)) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory_.c_str()));
    if (!dir) throw FileError(directory_, errno);
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
      if (mh_name::IsMessageNumber(entry->d_name) && !IsSubdirectory(dir.get(), *entry)) {
        numbers_.emplace_back(entry->d_name);
      }
      errno = 0;
    }
    if (errno != 0) throw FileError(directory_, errno);
    std::sort(numbers_.begin(), numbers_.end(), [](const std::string& a, const std::string& b) {
      return mh_name::NumberBefore(a, b);
    });
  }

  std::size_t size() const { return numbers_.size(); }

  MessageSource SourceAt(std::size_t i) const {
    std::string path = directory_ + "/" + numbers_[i];
    auto unchanged = [path](const FileStamp& stamp) { return StampOf(path) == stamp; };
    return {[path] { return ReadMessage(path); }, unchanged};
  }

 private:
  std::string directory_;
  std::vector<std::string> numbers_;
};

MhMessages::MhMessages(std::string directory)
    : listing_(std::make_shared<const Listing>(std::move(directory))) {}

long MhMessages::Count() { return static_cast<long>(listing_->size()); }

std::unique_ptr<Cursor<Message>> MhMessages::Begin() {
  return std::make_unique<reading::ListedCursor<Listing>>(listing_);
}

}  // namespace store::mh
