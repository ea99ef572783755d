#pragma once

#include <gmime/gmime.h>

#include <string>

namespace mail {

// The text a person reads as the message's body, in UTF-8 with CR LF line breaks: its text parts,
// decoded from transfer encoding and charset, HTML rendered as plain text. Of alternatives the
// plain one is read, else the HTML; of a mixed multipart every inline text part, and of a digest
// every message, one empty line apart. Empty when the message has no text part.
std::string ReadableBodyText(GMimeMessage* message);

}  // namespace mail
