#include "mail/UnreadFields.h"

#include <glib.h>

#include <array>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace mail {
namespace {

bool NameIs(std::string_view name, std::string_view other) {
  return name.size() == other.size() &&
         g_ascii_strncasecmp(name.data(), other.data(), name.size()) == 0;
}

bool NameStarts(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && NameIs(name.substr(0, prefix.size()), prefix);
}

// The fields a record is made of, and those the MIME structure is read from; every other field
// (trace, list, signature, extension, threading fields, and any number of them) is unread.
bool Unread(std::string_view name) {
  static constexpr std::array<std::string_view, 8> kRead = {
      "From", "To", "Cc", "Bcc", "Subject", "Date", "Message-ID", "MIME-Version"};
  for (std::string_view read : kRead) {
    if (NameIs(name, read)) return false;
  }
  return !NameStarts(name, "Content-");
}

// The name of a field line written plainly, "Name:" with nothing between; empty for any other line.
std::string_view FieldName(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] > ' ' && line[i] < 127 && line[i] != ':') ++i;
  return i > 0 && i < line.size() && line[i] == ':' ? line.substr(0, i) : std::string_view();
}

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

std::size_t DropUnreadFields(GByteArray& bytes, std::size_t start, std::string& section,
                             bool& received) {
  received = false;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data) + start, bytes.len - start);
  // The byte ranges to drop, each a field with its folded lines.
  std::vector<std::pair<std::size_t, std::size_t>> drops;
  bool dropping = false, anyReceived = false;
  std::size_t at = 0;
  for (;;) {
    const std::size_t newline = text.find('\n', at);
    if (newline == std::string_view::npos) return 0;  // no end to the section
    const std::string_view line = text.substr(at, newline + 1 - at);
    if (line.find('\0') != std::string_view::npos) return 0;
    const std::size_t cr = line.find('\r');
    if (cr != std::string_view::npos && cr != line.size() - 2) return 0;
    if (line == "\n" || line == "\r\n") break;
    if (line[0] == ' ' || line[0] == '\t') {
      if (at == 0 || IsBlankLine(line)) return 0;
      if (dropping) drops.back().second = newline + 1;
    } else {
      const std::string_view name = FieldName(line);
      if (name.empty()) return 0;
      dropping = Unread(name);
      if (dropping) {
        drops.emplace_back(at, newline + 1);
        anyReceived = anyReceived || NameIs(name, "Received");
      }
    }
    at = newline + 1;
  }
  if (drops.empty()) return 0;
  section.assign(text.substr(0, at));

  // The kept runs before each dropped field move, last first, up against what follows them.
  std::size_t write = drops.back().second, dropped = 0;
  for (std::size_t i = drops.size(); i-- > 0;) {
    const std::size_t keep = i > 0 ? drops[i - 1].second : 0;
    const std::size_t keepSize = drops[i].first - keep;
    write -= keepSize;
    std::memmove(bytes.data + start + write, bytes.data + start + keep, keepSize);
    dropped += drops[i].second - drops[i].first;
  }
  received = anyReceived;
  return dropped;
}

}  // namespace mail
