#include "mail/SimpleHtmlText.h"

#include <cstdint>
#include <string>

namespace mail {
namespace {

// The blanks the document collapses; every other character it would treat as a blank, or
// rewrite in its plain text, makes the HTML not simple.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsPlainAscii(char c) { return c > ' ' && c < 0x7F && c != '<' && c != '>' && c != '&'; }

bool IsPlainCodePoint(std::uint32_t c) {
  if (c < 0x80) return c >= 0x20 && c != 0x7F && c != '<' && c != '>' && c != '&';
  return !(c <= 0xA0 || c == 0xAD || c == 0x1680 || c == 0x180E || (c >= 0x2000 && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202F) || (c >= 0x205F && c <= 0x206F) || c == 0x3000 ||
           (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFDD0 && c <= 0xFDEF) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFF) || c > 0x10FFFF);
}

// The length of the well-formed UTF-8 character at `at`, when it is one of plain text; else 0.
std::size_t PlainCharacter(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t size = lead < 0x80                   ? 1
                     : lead >= 0xC2 && lead < 0xE0 ? 2
                     : lead >= 0xE0 && lead < 0xF0 ? 3
                     : lead >= 0xF0 && lead < 0xF5 ? 4
                                                   : 0;
  if (size == 0 || at + size > text.size()) return 0;
  std::uint32_t c = size == 1 ? lead : lead & (0x7F >> size);
  for (std::size_t i = 1; i < size; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i) & 0x3F);
  }
  // Overlong forms.
  if ((size == 3 && c < 0x800) || (size == 4 && c < 0x10000)) return 0;
  return IsPlainCodePoint(c) ? size : 0;
}

enum class Tag { Other, Html, HtmlEnd, Body, BodyEnd, Block, BlockEnd, Break };

// The tag opening at `at` (a "<"), with `end` past its ">"; `block` names a paragraph or heading.
Tag ReadTag(std::string_view html, std::size_t at, std::size_t& end, std::string_view& block) {
  const std::size_t close = html.find('>', at);
  if (close == std::string_view::npos) return Tag::Other;
  end = close + 1;
  std::string_view name = html.substr(at + 1, close - at - 1);
  const bool closing = name.starts_with('/');
  if (closing) name.remove_prefix(1);
  if (name == "html") return closing ? Tag::HtmlEnd : Tag::Html;
  if (name == "body") return closing ? Tag::BodyEnd : Tag::Body;
  if (name == "br") return closing ? Tag::Other : Tag::Break;
  if (name == "p" || (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6')) {
    block = name;
    return closing ? Tag::BlockEnd : Tag::Block;
  }
  return Tag::Other;
}

}  // namespace

std::optional<std::string> SimpleHtmlText(std::string_view html) {
  // Where the reading is: the optional <html> and <body> open in this order before the first
  // block, and close in the opposite order after the last; outside blocks only blanks.
  enum Stage { Start, InHtml, InBody, InBlock, AfterBody, AfterHtml };
  Stage stage = Start;
  bool hasHtml = false, hasBody = false;
  std::string_view openBlock;
  bool blockHasText = false;
  bool skipBlank = true;  // at a block's start and after a line break
  // Blanks between blocks: one alone goes, more than one are a blank at the end of the block
  // before.
  std::size_t blanksBetween = 0;
  std::string out;
  out.reserve(html.size());

  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<') {
      std::size_t end = 0;
      std::string_view block;
      const Tag tag = ReadTag(html, i, end, block);
      if (blanksBetween > 1 && !out.empty() && !skipBlank) {
        out += ' ';
        skipBlank = true;
      }
      blanksBetween = 0;
      switch (tag) {
        case Tag::Html:
          if (stage != Start) return std::nullopt;
          stage = InHtml;
          hasHtml = true;
          break;
        case Tag::Body:
          if (stage != Start && stage != InHtml) return std::nullopt;
          stage = InBody;
          hasBody = true;
          break;
        case Tag::Block:
          if (stage == AfterBody || stage == AfterHtml || stage == InBlock) return std::nullopt;
          if (!out.empty()) out += '\n';
          stage = InBlock;
          openBlock = block;
          blockHasText = false;
          skipBlank = true;
          break;
        case Tag::BlockEnd:
          if (stage != InBlock || block != openBlock || !blockHasText) return std::nullopt;
          stage = InBody;
          break;
        case Tag::Break:
          // A block that opens with a line break takes the blanks before it differently.
          if (stage != InBlock || !blockHasText) return std::nullopt;
          out += '\n';
          skipBlank = true;
          break;
        case Tag::BodyEnd:
          if (!hasBody || stage != InBody || out.empty()) return std::nullopt;
          stage = AfterBody;
          break;
        case Tag::HtmlEnd:
          if (!hasHtml || (stage != InBody && stage != AfterBody) || out.empty())
            return std::nullopt;
          if (hasBody && stage != AfterBody) return std::nullopt;
          stage = AfterHtml;
          break;
        case Tag::Other:
          return std::nullopt;
      }
      i = end;
      continue;
    }
    if (IsBlank(c)) {
      if (stage != InBlock) {
        ++blanksBetween;
      } else if (!skipBlank) {
        out += ' ';
        skipBlank = true;
      }
      ++i;
      continue;
    }
    if (stage != InBlock) return std::nullopt;
    std::size_t word = i;
    while (word < html.size() && IsPlainAscii(html[word])) ++word;
    const std::size_t size = word > i ? word - i : PlainCharacter(html, i);
    if (size == 0) return std::nullopt;
    out.append(html.substr(i, size));
    blockHasText = true;
    skipBlank = false;
    i += size;
  }
  const Stage complete = hasHtml ? AfterHtml : hasBody ? AfterBody : InBody;
  if (stage != complete || out.empty()) return std::nullopt;
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out;
}

}  // namespace mail
