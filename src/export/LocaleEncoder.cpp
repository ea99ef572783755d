#include "export/LocaleEncoder.h"

#include <glib.h>
#include <langinfo.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace exporter {
namespace {

void Advance(std::string_view& in, std::size_t n) { in.remove_prefix(n); }
void Advance(std::span<char>& out, std::size_t n) { out = out.subspan(n); }

// Length of the ASCII run at the front of `text`, eight bytes at a time: mail is mostly ASCII,
// and this is several times faster than glib's character-by-character check.
std::size_t AsciiPrefix(const char* text, std::size_t size) {
  std::size_t n = 0;
  for (std::uint64_t word; n + 8 <= size; n += 8) {
    std::memcpy(&word, text + n, 8);
    if (word & 0x8080808080808080u) break;
  }
  while (n < size && static_cast<unsigned char>(text[n]) < 0x80) ++n;
  return n;
}

bool IsValidCharacter(std::string_view in) {
  const gunichar c = g_utf8_get_char_validated(in.data(), static_cast<gssize>(in.size()));
  return c != static_cast<gunichar>(-1) && c != static_cast<gunichar>(-2);
}

// Bytes to skip past what iconv refused: a whole character it cannot represent, or the one byte
// that begins no character at all.
std::size_t RefusedLength(std::string_view in) {
  if (!IsValidCharacter(in)) return 1;
  return static_cast<std::size_t>(g_utf8_next_char(in.data()) - in.data());
}

}  // namespace

std::string LocaleEncoder::CurrentCharset() { return nl_langinfo(CODESET); }

LocaleEncoder::LocaleEncoder(const std::string& charset)
    : charset_(charset),
      passThrough_(strcasecmp(charset.c_str(), "UTF-8") == 0 ||
                   strcasecmp(charset.c_str(), "UTF8") == 0) {
  if (!passThrough_) cd_ = iconv_open(charset.c_str(), "UTF-8");
}

LocaleEncoder::~LocaleEncoder() {
  if (cd_ != kNoConversion) iconv_close(cd_);
}

void LocaleEncoder::Convert(std::string_view& in, std::span<char>& out) {
  if (passThrough_)
    CopyUtf8(in, out);
  else
    Iconv(in, out);
}

bool LocaleEncoder::Reset(std::span<char>& out) {
  if (passThrough_) return true;
  char* dst = out.data();
  std::size_t room = out.size();
  const bool done = iconv(cd_, nullptr, nullptr, &dst, &room) != static_cast<std::size_t>(-1);
  Advance(out, out.size() - room);
  return done;
}

void LocaleEncoder::CopyUtf8(std::string_view& in, std::span<char>& out) {
  while (!in.empty() && !out.empty()) {
    const std::size_t n = std::min(in.size(), out.size());
    std::size_t valid = AsciiPrefix(in.data(), n);
    if (valid < n) {
      // A few characters at a time: glib checks byte by byte, and ASCII most likely follows.
      // A character cut off by the window's end is checked whole on the next round.
      constexpr std::size_t kWindow = 64;
      const gchar* end = nullptr;
      g_utf8_validate_len(in.data() + valid, std::min(n - valid, kWindow), &end);
      valid = static_cast<std::size_t>(end - in.data());
    }
    if (valid == 0) {
      if (in[0] != '\0') {
        // A character cut off by the end of `out` waits for room; anything else is no UTF-8.
        if (n < in.size() && IsValidCharacter(in)) return;
        out[0] = '?';
        Advance(in, 1);
        Advance(out, 1);
        continue;
      }
      valid = 1;  // NUL is a character like any other; glib's check just stops at it
    }
    std::memcpy(out.data(), in.data(), valid);
    Advance(in, valid);
    Advance(out, valid);
  }
}

void LocaleEncoder::Iconv(std::string_view& in, std::span<char>& out) {
  while (!in.empty()) {
    const std::size_t available = in.size();
    const std::size_t handed = std::min(available, window_);
    std::size_t srcLeft = handed;
    char* src = const_cast<char*>(in.data());
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const bool done = iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1);
    const int error = errno;
    Advance(in, static_cast<std::size_t>(src - in.data()));
    Advance(out, out.size() - dstLeft);
    if (done) {
      window_ = std::min(window_ * 2, kLargestWindow);
      continue;
    }
    if (error == E2BIG) return;
    if (error == EINVAL && handed < available) continue;  // a character cut by the window
    // EILSEQ or EINVAL: the next character is one the charset lacks, or not UTF-8 at all. The
    // "?" must be written in the initial shift state.
    window_ = kSmallestWindow;
    if (!Reset(out) || out.empty()) return;
    out[0] = '?';
    Advance(out, 1);
    Advance(in, RefusedLength(in));
  }
}

}  // namespace exporter
