#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mail {

// The text of an RTF document (UTF-8 out, LF line breaks), as a reader sees it: paragraphs and
// line breaks (\par, \line) as line breaks, \tab as a tab, \'hh as a byte of `codePage` (a Windows
// code page; \ansicpg in the document overrides it), \uN as the Unicode character N (its fallback
// characters skipped), and the groups that hold no text (fonts, colours, styles, pictures,
// \* destinations) left out. Any bytes give a result.
std::string RtfToPlainText(std::string_view rtf, std::uint32_t codePage = 1252);

}  // namespace mail
