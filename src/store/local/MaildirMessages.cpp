#include "store/local/MaildirMessages.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "store/local/LocalMessage.h"
#include "store/local/MaildirFiles.h"
#include "store/local/MaildirName.h"
#include "store/local/ReadAhead.h"

namespace store::local {

// The message files as listed, sorted by delivery time and then name. Paths are kept in one
// string so that a folder of 100,000 messages costs a few megabytes, not 100,000 allocations.
class MaildirMessages::Listing {
 public:
  explicit Listing(std::string directory) : files_(std::make_shared<MaildirFiles>(directory)) {
    ForEachMessageFile(directory, [this](const char* subdir, std::string_view name) {
      if (maildir_name::IsTrashed(name)) return;
      auto time = maildir_name::DeliveryTime(name);
      Entry entry{time.value_or(0), static_cast<std::uint32_t>(paths_.size()),
                  static_cast<std::uint32_t>(name.size()), time.has_value()};
      paths_.append(subdir).append("/").append(name);
      entries_.push_back(entry);
    });
    std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
      if (a.time != b.time) return a.time < b.time;
      return Name(a) < Name(b);
    });
  }

  std::size_t size() const { return entries_.size(); }

  MessageSource SourceAt(std::size_t i) const {
    const Entry& entry = entries_[i];
    std::string listed = paths_.substr(entry.path, kSubdir + entry.nameSize);
    std::optional<std::time_t> delivered;
    if (entry.hasTime) delivered = entry.time;
    return {[files = files_, listed, delivered] {
              RawMessage raw{{}, false, delivered, {}};
              raw.bytes = files->Read(listed, &raw.stamp);
              return raw;
            },
            [files = files_, listed](const FileStamp& stamp) {
              return files->Unchanged(listed, stamp);
            }};
  }

 private:
  static constexpr std::uint32_t kSubdir = 4;  // "cur/" or "new/"

  struct Entry {
    std::time_t time;
    std::uint32_t path;  // offset in paths_
    std::uint32_t nameSize;
    bool hasTime;
  };

  std::string_view Name(const Entry& entry) const {
    return std::string_view(paths_).substr(entry.path + kSubdir, entry.nameSize);
  }

  std::shared_ptr<MaildirFiles> files_;
  std::string paths_;
  std::vector<Entry> entries_;
};

class MaildirMessages::MessageCursor : public Cursor<Message> {
 public:
  explicit MessageCursor(std::shared_ptr<const Listing> listing)
      : listing_(std::move(listing)),
        ahead_(
            [listing = listing_](std::size_t i) -> std::optional<MessageSource> {
              if (i >= listing->size()) return std::nullopt;
              return listing->SourceAt(i);
            },
            kReadAhead) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (next_ == listing_->size()) return false;
    element = ahead_.MessageAt(next_++);
    return true;
  }

 private:
  std::shared_ptr<const Listing> listing_;
  ReadAhead ahead_;
  std::size_t next_ = 0;
};

MaildirMessages::MaildirMessages(std::string directory)
    : listing_(std::make_shared<const Listing>(std::move(directory))) {}

long MaildirMessages::Count() { return static_cast<long>(listing_->size()); }

std::unique_ptr<Cursor<Message>> MaildirMessages::Begin() {
  return std::make_unique<MessageCursor>(listing_);
}

}  // namespace store::local
