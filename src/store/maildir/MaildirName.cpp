#include "store/maildir/MaildirName.h"

#include <charconv>

namespace store::maildir::maildir_name {

std::string_view Unique(std::string_view name) { return name.substr(0, name.find(':')); }

bool IsTrashed(std::string_view name) {
  std::size_t info = name.find(":2,");
  return info != std::string_view::npos && name.find('T', info + 3) != std::string_view::npos;
}

std::optional<std::time_t> DeliveryTime(std::string_view name) {
  std::string_view digits = name.substr(0, name.find('.'));
  long long seconds = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
  if (digits.empty() || digits.front() < '0' || digits.front() > '9' || error != std::errc() ||
      end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return static_cast<std::time_t>(seconds);
}

}  // namespace store::maildir::maildir_name
