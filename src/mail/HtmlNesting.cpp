#include "mail/HtmlNesting.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace mail {
namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '-' || c == '_';
}

// Elements without content, and those whose end tag may be left out.
bool NeverNests(std::string_view name) {
  static constexpr std::array<std::string_view, 31> kNames = {
      "area",  "base",  "br",       "col",     "embed", "hr",     "img",      "input",
      "link",  "meta",  "param",    "source",  "track", "wbr",    "p",        "li",
      "td",    "th",    "tr",       "dt",      "dd",    "option", "optgroup", "thead",
      "tbody", "tfoot", "colgroup", "caption", "html",  "head",   "body"};
  return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

}  // namespace

std::string LimitNesting(std::string_view html, int limit) {
  std::string out;
  out.reserve(html.size());
  int depth = 0, dropped = 0;
  std::size_t i = 0;
  while (i < html.size()) {
    std::size_t open = html.find('<', i);
    if (open == std::string_view::npos) open = html.size();
    out.append(html.substr(i, open - i));
    if (open == html.size()) break;

    std::size_t j = open + 1;
    bool closing = j < html.size() && html[j] == '/';
    if (closing) ++j;
    std::size_t nameStart = j;
    while (j < html.size() && IsNameChar(html[j])) ++j;
    if (j == nameStart || !std::isalpha(static_cast<unsigned char>(html[nameStart]))) {
      out += '<';  // not a tag: a comment, a declaration, or a lone "<"
      i = open + 1;
      continue;
    }
    std::string name(html.substr(nameStart, j - nameStart));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    char quote = 0;
    while (j < html.size() && (quote || html[j] != '>')) {
      if (quote && html[j] == quote) {
        quote = 0;
      } else if (!quote && (html[j] == '"' || html[j] == '\'')) {
        quote = html[j];
      }
      ++j;
    }
    std::size_t end = std::min(j + 1, html.size());
    bool selfClosing = j < html.size() && j > open && html[j - 1] == '/';

    bool keep = true;
    if (!NeverNests(name) && !selfClosing) {
      if (!closing && depth >= limit) {
        keep = false;
        ++dropped;
      } else if (!closing) {
        ++depth;
      } else if (dropped > 0) {
        keep = false;
        --dropped;
      } else if (depth > 0) {
        --depth;
      }
    }
    if (keep) out.append(html.substr(open, end - open));
    i = end;
  }
  return out;
}

}  // namespace mail
