#pragma once

#include <ctime>
#include <optional>
#include <string_view>

// What a maildir file name says about its message: "<time>.<unique part>:2,<flags>".
namespace store::maildir::maildir_name {

// The part that stays the same when a mail client changes the flags or moves the file from new/
// to cur/.
std::string_view Unique(std::string_view name);

// Flagged T (trashed): deleted in the mail client's view, waiting to be expunged.
bool IsTrashed(std::string_view name);

// The delivery time: the number before the first ".".
std::optional<std::time_t> DeliveryTime(std::string_view name);

}  // namespace store::maildir::maildir_name
