#include "mail/MboxQuoting.h"

#include <cstring>

namespace mail {

namespace {

// Where the first quoted "From " line from `start` on begins; `size` when there is none. Only a
// ">" is looked for, which most lines lack.
std::size_t FirstQuotedLine(const guint8* data, std::size_t start, std::size_t size) {
  for (std::size_t at = start; at < size;) {
    const void* found = std::memchr(data + at, '>', size - at);
    if (!found) break;
    const std::size_t quote = static_cast<const guint8*>(found) - data;
    std::size_t text = quote;
    while (text < size && data[text] == '>') ++text;
    const bool lineStart = quote == start || data[quote - 1] == '\n';
    if (lineStart && size - text >= 5 && std::memcmp(data + text, "From ", 5) == 0) return quote;
    at = text;
  }
  return size;
}

}  // namespace

void UnquoteFromLines(GByteArray& bytes, std::size_t start) {
  guint8* data = bytes.data;
  const std::size_t size = bytes.len;
  std::size_t read = FirstQuotedLine(data, start, size), write = read;
  if (read == size) return;
  while (read < size) {
    std::size_t text = read;
    while (text < size && data[text] == '>') ++text;
    if (text > read && size - text >= 5 && std::memcmp(data + text, "From ", 5) == 0) ++read;
    const void* newline = std::memchr(data + read, '\n', size - read);
    std::size_t end = newline ? static_cast<const guint8*>(newline) - data + 1 : size;
    if (write != read) std::memmove(data + write, data + read, end - read);
    write += end - read;
    read = end;
  }
  g_byte_array_set_size(&bytes, static_cast<guint>(write));
}

}  // namespace mail
