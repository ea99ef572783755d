#include "store/maildir/MaildirMessages.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "store/maildir/MaildirFiles.h"
#include "store/maildir/MaildirName.h"
#include "store/reading/ListedCursor.h"
#include "store/reading/ParsedMessage.h"

namespace store::maildir {

using reading::Fetched;
using reading::FileStamp;
using reading::MessageSource;

// The message files as listed, sorted by delivery time and then the unique part of their names,
// which a mail client keeps when it changes flags or moves the file to cur/; each message is
// listed once, under one of the names it had while listed. Paths are kept in one string so that a
// folder of 100,000 messages costs a few megabytes, not 100,000 allocations.
class MaildirMessages::Listing {
 public:
  explicit Listing(std::string directory) : files_(std::make_shared<MaildirFiles>(directory)) {
    bool settled = ForEachMessageFile(
        directory, [this](const char* subdir, std::string_view name) { Add(subdir, name); });
    Merge(0);
    // Another mail client renamed files while they were listed, and readdir may have missed
    // them: each listing again adds the messages the ones before did not have.
    for (int listing = 1; !settled && listing < kMaildirListings; ++listing) {
      const std::size_t listed = entries_.size();
      settled = ForEachMessageFile(directory, [&](const char* subdir, std::string_view name) {
        if (!Has(name, listed)) Add(subdir, name);
      });
      Merge(listed);
    }
  }

  std::size_t size() const { return entries_.size(); }

  MessageSource SourceAt(std::size_t i) const {
    const Entry& entry = entries_[i];
    std::string listed = paths_.substr(entry.path, kSubdir + entry.nameSize);
    std::optional<std::time_t> delivered;
    if (entry.hasTime) delivered = entry.time;
    return {[files = files_, listed, delivered] {
              Fetched fetched{{{}, false, delivered}, {}};
              fetched.raw.file = files->Open(listed, &fetched.stamp);
              return fetched;
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
    std::uint32_t uniqueSize;
    bool hasTime;
  };

  // A message's place in the listing: its delivery time, then its unique part.
  struct Key {
    std::time_t time;
    std::string_view unique;
    auto operator<=>(const Key&) const = default;
  };

  static Key KeyOf(std::string_view name) {
    return {maildir_name::DeliveryTime(name).value_or(0), maildir_name::Unique(name)};
  }

  Key KeyOf(const Entry& entry) const {
    return {entry.time, std::string_view(paths_.data() + entry.path + kSubdir, entry.uniqueSize)};
  }

  void Add(const char* subdir, std::string_view name) {
    const std::size_t unique = maildir_name::Unique(name).size();
    // The flags come after the unique part, so only the rest needs looking through.
    if (maildir_name::IsTrashed(name.substr(unique))) return;
    auto time = maildir_name::DeliveryTime(name);
    entries_.push_back({time.value_or(0), static_cast<std::uint32_t>(paths_.size()),
                        static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(unique),
                        time.has_value()});
    paths_.append(subdir).append("/").append(name);
  }

  // Whether one of the first `count` entries, which are sorted, is the message of that name.
  bool Has(std::string_view name, std::size_t count) const {
    const Key key = KeyOf(name);
    auto end = entries_.begin() + static_cast<std::ptrdiff_t>(count);
    auto it =
        std::lower_bound(entries_.begin(), end, key,
                         [this](const Entry& entry, const Key& k) { return KeyOf(entry) < k; });
    return it != end && KeyOf(*it) == key;
  }

  // Listing order. Most messages differ in their delivery time, so that comes first on its own.
  bool Before(const Entry& a, const Entry& b) const {
    return a.time != b.time ? a.time < b.time : BeforeAtTheSameTime(a, b);
  }

  bool BeforeAtTheSameTime(const Entry& a, const Entry& b) const {
    if (auto order = KeyOf(a).unique <=> KeyOf(b).unique; order != 0) return order < 0;
    return paths_[a.path] < paths_[b.path];  // "cur/" sorts before "new/"
  }

  // Sorts the entries after the first `sorted` in among them and keeps one entry of each message:
  // the one in cur/, where the message has got to if it is in new/ as well.
  void Merge(std::size_t sorted) {
    auto before = [this](const Entry& a, const Entry& b) { return Before(a, b); };
    auto middle = entries_.begin() + static_cast<std::ptrdiff_t>(sorted);
    std::sort(middle, entries_.end(), before);
    std::inplace_merge(entries_.begin(), middle, entries_.end(), before);
    entries_.erase(std::unique(entries_.begin(), entries_.end(),
                               [this](const Entry& a, const Entry& b) {
                                 return a.time == b.time && KeyOf(a) == KeyOf(b);
                               }),
                   entries_.end());
  }

  std::shared_ptr<MaildirFiles> files_;
  std::string paths_;
  std::vector<Entry> entries_;
};

MaildirMessages::MaildirMessages(std::string directory)
    : listing_(std::make_shared<const Listing>(std::move(directory))) {}

long MaildirMessages::Count() { return static_cast<long>(listing_->size()); }

std::unique_ptr<Cursor<Message>> MaildirMessages::Begin() {
  return std::make_unique<reading::ListedCursor<Listing>>(listing_);
}

}  // namespace store::maildir
