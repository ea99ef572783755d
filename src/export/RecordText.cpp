#include "export/RecordText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace exporter {
namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// Quotes every line (ended by CR LF, LF or CR) that is ">"s and a form feed.
void QuoteFormFeedLines(std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  std::size_t start = 0;
  const std::size_t size = text.size();
  for (;;) {
    std::size_t end = start;
    while (end < size && !IsLineBreak(text[end])) ++end;
    const std::string_view line(text.data() + start, end - start);
    const std::size_t quotes = line.find_first_not_of('>');
    if (quotes != std::string_view::npos && quotes + 1 == line.size() && line[quotes] == '\f')
      out += '>';
    out.append(line);
    if (end == size) break;
    const std::size_t lineBreak =
        text[end] == '\r' && end + 1 < size && text[end + 1] == '\n' ? 2 : 1;
    out.append(text, end, lineBreak);
    start = end + lineBreak;
  }
  text = std::move(out);
}

}  // namespace

std::string OneLine(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    if (c < 0x20 || c == 0x7F) {
      out += ' ';
    } else if (c == 0xC2 && i + 1 < value.size() &&
               static_cast<unsigned char>(value[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(value[i + 1]) <= 0x9F) {
      out += ' ';  // a C1 control, U+0080 to U+009F
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void MakeRecordSafe(std::string& text) {
  // Text is mostly printable, and its control characters mostly line breaks: eight bytes at a
  // time are passed over while each is 0x20 or above, or a tab, CR or LF. The masks are exact,
  // each byte's own high bit, with no carry from one byte into the next.
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x80 * kOnes, kLows = 0x7F * kOnes;
  auto zeros = [](std::uint64_t v) { return ~(((v & kLows) + kLows) | v) & kHighs; };
  bool formFeed = false;
  char* data = text.data();
  const std::size_t size = text.size();
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    const std::uint64_t control = ~(((word & kLows) + 0x60 * kOnes) | word) & kHighs;
    if (control == 0) continue;
    const std::uint64_t breaks =
        zeros(word ^ ('\n' * kOnes)) | zeros(word ^ ('\r' * kOnes)) | zeros(word ^ ('\t' * kOnes));
    if ((control & ~breaks) == 0) continue;
    for (std::size_t j = i; j < i + 8; ++j) {
      const auto u = static_cast<unsigned char>(data[j]);
      if (u == '\f')
        formFeed = true;
      else if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
        data[j] = ' ';
    }
  }
  for (; i < size; ++i) {
    const auto u = static_cast<unsigned char>(data[i]);
    if (u == '\f')
      formFeed = true;
    else if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
      data[i] = ' ';
  }
  if (formFeed) QuoteFormFeedLines(text);
}

}  // namespace exporter
