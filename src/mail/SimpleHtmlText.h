#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mail {

// The text of the commonest HTML in mail, paragraphs and headings of plain text with line breaks
// and nothing else, exactly as Qt's rich-text document reads it (trailing blanks aside), without
// building a document. Nothing for any other HTML: entities, attributes, any other tag, blank
// characters beyond the four ASCII ones, or a paragraph without text.
std::optional<std::string> SimpleHtmlText(std::string_view html);

}  // namespace mail
