#include "store/maildir/MaildirMessages.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "store/maildir/MaildirFiles.h"
#include "store/maildir/MaildirName.h"
#include "store/maildir/PackedNames.h"
#include "store/reading/ListedCursor.h"
#include "store/reading/ParsedMessage.h"

namespace store::maildir {

using reading::Fetched;
using reading::FileStamp;
using reading::MessageSource;

// The message files as listed, sorted by delivery time and then the unique part of their names,
// which a mail client keeps when it changes flags or moves the file to cur/; each message is
// listed once, under one of the names it had while listed. A message costs 8 bytes and its packed
// name (about 20 bytes), so a folder of a million messages lists in under 30 MB.
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
    std::string listed;
    Unpack(entries_[i], listed);
    std::optional<std::time_t> delivered =
        maildir_name::DeliveryTime(std::string_view(listed).substr(kSubdir));
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
  static constexpr std::size_t kSubdir = 4;  // "cur/" or "new/"
  // Delivery times from here on are told apart by their names; none is before 2106.
  static constexpr std::uint32_t kLateTime = UINT32_MAX;

  struct Entry {
    std::uint32_t time;  // the delivery time, 0 when the name has none
    // "cur/<name>" or "new/<name>"; with kTimeLeftOut set, without the digits of `time` that
    // begin the name.
    PackedNames::Handle name;
  };
  static constexpr PackedNames::Handle kTimeLeftOut = 1u << 31;

  void Unpack(const Entry& entry, std::string& path) const {
    names_.Get(entry.name & ~kTimeLeftOut, path);
    if (entry.name & kTimeLeftOut) path.insert(kSubdir, std::to_string(entry.time));
  }

  static std::uint32_t TimeOf(std::string_view name) {
    const std::time_t time = maildir_name::DeliveryTime(name).value_or(0);
    return static_cast<std::uint32_t>(std::clamp<std::time_t>(time, 0, kLateTime));
  }

  // A message's place in the listing: its delivery time, then the unique part of its name, then
  // cur/ before new/. `a` and `b` are listed paths ("cur/<name>").
  static bool PathBefore(std::string_view a, std::string_view b) {
    const std::string_view nameA = a.substr(kSubdir), nameB = b.substr(kSubdir);
    const auto timeA = maildir_name::DeliveryTime(nameA).value_or(0);
    const auto timeB = maildir_name::DeliveryTime(nameB).value_or(0);
    if (timeA != timeB) return timeA < timeB;
    if (auto order = maildir_name::Unique(nameA) <=> maildir_name::Unique(nameB); order != 0) {
      return order < 0;
    }
    return a.front() < b.front();
  }

  static bool SameMessage(std::string_view a, std::string_view b) {
    return maildir_name::Unique(a.substr(kSubdir)) == maildir_name::Unique(b.substr(kSubdir)) &&
           maildir_name::DeliveryTime(a.substr(kSubdir)) ==
               maildir_name::DeliveryTime(b.substr(kSubdir));
  }

  void Add(const char* subdir, std::string_view name) {
    const std::size_t unique = maildir_name::Unique(name).size();
    // The flags come after the unique part, so only the rest needs looking through.
    if (maildir_name::IsTrashed(name.substr(unique))) return;
    const std::uint32_t time = TimeOf(name);
    // Most names begin with their delivery time, which the entry holds already.
    std::string digits = std::to_string(time);
    const bool leftOut = time != kLateTime && name.starts_with(digits + ".");
    scratchA_.assign(subdir).append("/").append(name.substr(leftOut ? digits.size() : 0));
    entries_.push_back({time, names_.Add(scratchA_) | (leftOut ? kTimeLeftOut : 0)});
  }

  // Whether one of the first `count` entries, which are sorted, is the message of that name.
  bool Has(std::string_view name, std::size_t count) {
    std::string path = "cur/" + std::string(name);
    const Entry key{TimeOf(name), 0};
    auto end = entries_.begin() + static_cast<std::ptrdiff_t>(count);
    auto it = std::lower_bound(entries_.begin(), end, key, [&](const Entry& entry, const Entry& k) {
      if (entry.time != k.time) return entry.time < k.time;
      Unpack(entry, scratchA_);
      return PathBefore(scratchA_, path);
    });
    if (it == end || it->time != key.time) return false;
    Unpack(*it, scratchA_);
    return SameMessage(scratchA_, path);
  }

  // Listing order. Most messages differ in their delivery time, so that comes first on its own.
  bool Before(const Entry& a, const Entry& b) {
    if (a.time != b.time) return a.time < b.time;
    Unpack(a, scratchA_);
    Unpack(b, scratchB_);
    return PathBefore(scratchA_, scratchB_);
  }

  // Sorts by delivery time, then each run of messages delivered in the same second (a folder
  // filled by an import may have thousands) by their names, unpacked once each into one buffer
  // rather than at every comparison; a run too long for that (over 256k messages, some 15 MB
  // unpacked) is sorted unpacking as it compares.
  void Sort(std::vector<Entry>::iterator first, std::vector<Entry>::iterator last) {
    constexpr std::ptrdiff_t kMostUnpacked = 1 << 18;
    std::sort(first, last, [](const Entry& a, const Entry& b) { return a.time < b.time; });
    std::string names;
    std::vector<std::uint32_t> starts, order;
    std::vector<Entry> sorted;
    for (auto run = first; run != last;) {
      auto end = std::find_if(run, last, [&](const Entry& e) { return e.time != run->time; });
      const auto size = static_cast<std::size_t>(end - run);
      if (end - run > kMostUnpacked) {
        std::sort(run, end, [this](const Entry& a, const Entry& b) { return Before(a, b); });
      } else if (size > 1) {
        names.clear();
        starts.clear();
        order.clear();
        for (std::size_t i = 0; i < size; ++i) {
          Unpack(run[static_cast<std::ptrdiff_t>(i)], scratchA_);
          starts.push_back(static_cast<std::uint32_t>(names.size()));
          names += scratchA_;
          order.push_back(static_cast<std::uint32_t>(i));
        }
        starts.push_back(static_cast<std::uint32_t>(names.size()));
        auto name = [&](std::uint32_t i) {
          return std::string_view(names).substr(starts[i], starts[i + 1] - starts[i]);
        };
        std::sort(order.begin(), order.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return PathBefore(name(a), name(b)); });
        sorted.clear();
        for (std::uint32_t i : order) sorted.push_back(run[i]);
        std::copy(sorted.begin(), sorted.end(), run);
      }
      run = end;
    }
  }

  // Sorts the entries after the first `sorted` in among them and keeps one entry of each message:
  // the one in cur/, where the message has got to if it is in new/ as well.
  void Merge(std::size_t sorted) {
    auto before = [this](const Entry& a, const Entry& b) { return Before(a, b); };
    auto middle = entries_.begin() + static_cast<std::ptrdiff_t>(sorted);
    Sort(middle, entries_.end());
    std::inplace_merge(entries_.begin(), middle, entries_.end(), before);
    entries_.erase(std::unique(entries_.begin(), entries_.end(),
                               [this](const Entry& a, const Entry& b) {
                                 if (a.time != b.time) return false;
                                 Unpack(a, scratchA_);
                                 Unpack(b, scratchB_);
                                 return SameMessage(scratchA_, scratchB_);
                               }),
                   entries_.end());
  }

  std::shared_ptr<MaildirFiles> files_;
  PackedNames names_;
  std::vector<Entry> entries_;
  std::string scratchA_, scratchB_;  // names unpacked to compare them while listing
};

MaildirMessages::MaildirMessages(std::string directory)
    : listing_(std::make_shared<const Listing>(std::move(directory))) {}

long MaildirMessages::Count() { return static_cast<long>(listing_->size()); }

std::unique_ptr<Cursor<Message>> MaildirMessages::Begin() {
  return std::make_unique<reading::ListedCursor<Listing>>(listing_);
}

}  // namespace store::maildir
