#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "mail/RawMessage.h"
#include "store/reading/FileStamp.h"

namespace store::maildir {

// How many times a maildir is listed at most while another mail client keeps changing it.
inline constexpr int kMaildirListings = 5;

// Calls `visit` with "new" or "cur" and the name of every message file of a maildir, in directory
// order. A maildir without cur/ or new/ simply has no files there; any other listing failure
// throws Error::Unreadable. Returns false when either may have changed while it was listed: a
// file renamed meanwhile (another client changing flags, or moving it from new/ to cur/) may then
// have been missed, or visited under both names.
bool ForEachMessageFile(
    const std::string& directory,
    const std::function<void(const char* subdir, std::string_view name)>& visit);

// Reads a maildir's message files by the path they had when the maildir was listed, and finds
// those that another mail client has since renamed (new flags, moved from new/ to cur/) by the
// unique part of their name.
class MaildirFiles {
 public:
  explicit MaildirFiles(std::string directory) : directory_(std::move(directory)) {}

  // The message listed as `listed` ("cur/<name>"), opened for the parser to read from its file.
  // Throws Error::Unreadable with the system's reason when it cannot be opened, or no longer
  // exists.
  mail::MessageFile Open(const std::string& listed, reading::FileStamp* stamp = nullptr);

  // Whether the message listed as `listed` is still the file, unchanged, that gave `stamp`.
  bool Unchanged(const std::string& listed, const reading::FileStamp& stamp);

 private:
  bool TryOpen(const std::string& relative, mail::MessageFile& message, int& error,
               reading::FileStamp* stamp);
  // Lists the maildir again into moved_; false when it may have changed meanwhile.
  bool Relist();

  std::string directory_;
  std::mutex mutex_;  // messages are read ahead on another thread
  // Unique name -> where the file was at the last relisting; built only once a file has moved,
  // so that a client renaming the whole folder costs one listing, not one per message.
  std::unordered_map<std::string, std::string> moved_;
};

}  // namespace store::maildir
