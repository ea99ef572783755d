#pragma once

#include <gmime/gmime.h>

#include <string>
#include <vector>

namespace mail {

// The text a person reads as the message's body, in UTF-8 with CR LF line breaks: its text parts,
// decoded from transfer encoding and charset, HTML rendered as plain text. Of alternatives the
// plain one is read, else the HTML; of a mixed multipart every inline text part, and of a digest
// every message, one empty line apart. Empty when the message has no text part.
std::string ReadableBodyText(GMimeMessage* message);

// The parts ReadableBodyText reads, in reading order: text parts, and multiparts without parts,
// whose prologue is read. Owned by `message`.
std::vector<GMimeObject*> ReadableParts(GMimeMessage* message);

}  // namespace mail
