#pragma once

#include <gmime/gmime.h>

#include <string>

namespace store::local {

// The text a person reads as the message's body, in UTF-8 with CR LF line breaks: its plain text
// part, decoded from transfer encoding and charset, or its HTML part rendered as plain text when
// it has no plain one. Empty when the message has no text part.
std::string ReadableBodyText(GMimeMessage* message);

}  // namespace store::local
