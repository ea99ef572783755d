#pragma once

#include <string>
#include <string_view>

namespace mail {

// The text a reader sees in an HTML body (UTF-8 in, UTF-8 out, LF line breaks): Qt's rich-text
// document lays out paragraphs, lists and tables; tags, styles and scripts do not show.
// The program must have made a QGuiApplication first (the offscreen platform will do): Qt's HTML
// reader asks the platform for fonts, and crashes on <pre> or <tt> without one. The program, the
// tests and the benchmark each make one where they start.
std::string HtmlToPlainText(std::string_view html);

// The same text, always read through the rich-text document (HtmlToPlainText takes a shorter way
// for the simplest HTML, to the same text).
std::string DocumentHtmlText(std::string_view html);

}  // namespace mail
