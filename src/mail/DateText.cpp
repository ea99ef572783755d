#include "mail/DateText.h"

#include <langinfo.h>

#include "mail/Charset.h"

namespace mail {

std::optional<std::string> LocalDateTimeText(std::time_t when) {
  std::tm local{};
  if (!localtime_r(&when, &local)) return std::nullopt;
  char buffer[256];
  std::size_t n = std::strftime(buffer, sizeof buffer, "%x %X", &local);
  if (n == 0) return std::nullopt;
  std::string_view text(buffer, n);
  if (IsUtf8(text)) return std::string(text);
  // A locale in a legacy charset writes its month and day names in that charset.
  if (auto converted = ConvertToUtf8(text, nl_langinfo(CODESET))) return *converted;
  return DecodeUnlabelled(text);
}

}  // namespace mail
