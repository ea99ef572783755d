#pragma once

#include <string>
#include <string_view>

namespace mail {

// The text of HTML too large for Qt's rich-text document, which takes about a kilobyte for each
// tag and ten times the text's size while it is built: read in one pass, holding nothing but the
// text. Tags, comments, scripts, styles and the head do not show; blocks, table cells and list
// items each start a line, a line break ends one, a <pre> keeps its blanks, other blanks collapse
// to one, and character references are decoded. For plain paragraphs, headings, lists and tables
// this is the document's text; the document's finer points of layout are not reproduced.
std::string StreamedHtmlText(std::string_view html);

}  // namespace mail
