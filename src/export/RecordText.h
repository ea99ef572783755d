#pragma once

#include <string>
#include <string_view>

// What text may stand in the export file. A reader splits the file into records at lines that
// hold a form feed alone, so no text of a message may make such a line, nor break a value of the
// header block into lines of its own.
namespace exporter {

// A value of the header block, or a caption: every control character (C0, DEL and C1) becomes a
// space, so a value is always one line of text.
std::string OneLine(std::string_view value);

// Message text written as it stands (the transport header section, the body): NUL and the other
// C0 controls but tab, line breaks and form feed become spaces, and a line that is a form feed
// alone after any number of ">" gets one ">" more. Taking one ">" off such a line again gives
// the text back.
void MakeRecordSafe(std::string& text);

}  // namespace exporter
