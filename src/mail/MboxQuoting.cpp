#include "mail/MboxQuoting.h"

#include <cstring>

namespace mail {

void UnquoteFromLines(GByteArray& bytes) {
  guint8* data = bytes.data;
  const std::size_t size = bytes.len;
  std::size_t read = 0, write = 0;
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
