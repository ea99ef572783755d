#include "mail/Envelope.h"

#include <string>

namespace mail {

bool IsEnvelopeLine(std::string_view line) { return line.starts_with("From "); }

std::optional<std::time_t> EnvelopeTime(std::string_view line) {
  if (!IsEnvelopeLine(line)) return std::nullopt;
  line.remove_prefix(5);
  // Skip the sender (an address, or "-" as some clients write) and the blanks after it.
  std::size_t date = line.find_first_not_of(' ');
  if (date == std::string_view::npos) return std::nullopt;
  date = line.find(' ', date);
  if (date == std::string_view::npos) return std::nullopt;
  std::string text(line.substr(date, 80));
  std::tm tm{};
  if (!strptime(text.c_str(), " %a %b %d %H:%M:%S %Y", &tm)) return std::nullopt;
  tm.tm_isdst = -1;
  std::time_t when = std::mktime(&tm);
  if (when == static_cast<std::time_t>(-1)) return std::nullopt;
  return when;
}

}  // namespace mail
