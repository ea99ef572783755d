#include "mail/LineBreaks.h"

#include <cstring>

namespace mail {
namespace {

// Every line break of `text` written as CR LF, appended to `out`.
void AppendLines(std::string_view text, std::string& out) {
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t start = 0;
  if (!std::memchr(data, '\r', size)) {
    // Most files break their lines with LF alone: one look for each line's end is enough.
    while (const void* newline = std::memchr(data + start, '\n', size - start)) {
      const std::size_t end = static_cast<const char*>(newline) - data;
      out.append(data + start, end - start).append("\r\n");
      start = end + 1;
    }
    out.append(data + start, size - start);
    return;
  }
  while (start < size) {
    const void* newline = std::memchr(data + start, '\n', size - start);
    const std::size_t end = newline ? static_cast<const char*>(newline) - data : size;
    // A CR on its own inside the line is a line break of its own.
    for (;;) {
      const void* cr = std::memchr(data + start, '\r', end - start);
      if (!cr) break;
      const std::size_t at = static_cast<const char*>(cr) - data;
      if (newline && at + 1 == end) break;  // the CR of a CR LF
      out.append(data + start, at - start).append("\r\n");
      start = at + 1;
    }
    if (!newline) {
      out.append(data + start, size - start);
      break;
    }
    const std::size_t lineEnd = end > start && data[end - 1] == '\r' ? end - 1 : end;
    out.append(data + start, lineEnd - start).append("\r\n");
    start = end + 1;
  }
}

}  // namespace

std::string WithCrLf(std::string_view text) {
  std::string out;
  AppendWithCrLf(text, out);
  return out;
}

void AppendWithCrLf(std::string_view text, std::string& out) {
  if (text.empty()) return;
  out.reserve(out.size() + text.size() + text.size() / 32 + 2);
  AppendLines(text, out);
}

void CrLfWriter::Append(std::string_view piece, std::string& out) {
  if (piece.empty()) return;
  if (cr_) {
    // The CR and an LF after it are one break; a CR alone is a break of its own.
    out.append("\r\n");
    if (piece.front() == '\n') piece.remove_prefix(1);
  }
  cr_ = !piece.empty() && piece.back() == '\r';
  if (cr_) piece.remove_suffix(1);
  AppendLines(piece, out);
}

void CrLfWriter::Finish(std::string& out) {
  if (cr_) out.append("\r\n");
  cr_ = false;
}

}  // namespace mail
