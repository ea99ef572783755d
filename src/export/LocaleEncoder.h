#pragma once

#include <iconv.h>

#include <span>
#include <string>
#include <string_view>

namespace exporter {

// Converts UTF-8 text to one character set (in practice the LC_CTYPE locale's). A character the
// set cannot represent becomes one "?"; so does each byte that is not part of valid UTF-8, which
// keeps the output readable in the target set whatever the input held. When the target is UTF-8
// itself the text is only checked and copied, without iconv.
class LocaleEncoder {
 public:
  // The character set of the LC_CTYPE locale in force now (nl_langinfo(CODESET)).
  static std::string CurrentCharset();

  explicit LocaleEncoder(const std::string& charset);
  ~LocaleEncoder();
  LocaleEncoder(const LocaleEncoder&) = delete;
  LocaleEncoder& operator=(const LocaleEncoder&) = delete;

  // False when iconv has no conversion from UTF-8 to the charset.
  bool ok() const { return passThrough_ || cd_ != kNoConversion; }
  const std::string& charset() const { return charset_; }

  // Converts from the front of `in` to the front of `out`, advancing both, until `in` is used up
  // or `out` has no room for the next character.
  void Convert(std::string_view& in, std::span<char>& out);

  // Ends a piece of text: returns a stateful charset to its initial shift state, so the next
  // bytes written raw (CR LF) mean what they say. False when `out` lacks the room.
  bool Reset(std::span<char>& out);

 private:
  static inline const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);
  // glibc converts from UTF-8 in two steps and, at a character it refuses, converts again all
  // the input it was handed up to that point. Handing it a window of the input, small after a
  // refusal and growing while none comes, keeps text dense with refusals from taking quadratic
  // time without slowing plain text.
  static constexpr std::size_t kSmallestWindow = 64;
  static constexpr std::size_t kLargestWindow = 64 * 1024;

  void CopyUtf8(std::string_view& in, std::span<char>& out);
  void Iconv(std::string_view& in, std::span<char>& out);

  std::string charset_;
  bool passThrough_ = false;
  iconv_t cd_ = kNoConversion;
  std::size_t window_ = kLargestWindow;
};

}  // namespace exporter
