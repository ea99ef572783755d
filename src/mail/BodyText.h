#pragma once

#include <gmime/gmime.h>

#include <cstddef>
#include <string>
#include <vector>

namespace mail {

// How much of a text part's content is held at a time besides its text.
inline constexpr std::size_t kBodyPieceSize = std::size_t{1} << 20;

// The text a person reads as the message's body, in UTF-8 with CR LF line breaks: its text parts,
// decoded from transfer encoding and charset, HTML rendered as plain text. Of alternatives the
// plain one is read, else the HTML; of a mixed multipart every inline text part, and of a digest
// every message, one empty line apart. Empty when the message has no text part.
//
// A plain text part whose content is larger than `pieceSize` is read a piece of that size at a
// time, more than once, so that only its text is held whole; the text is the same whatever the
// size.
std::string ReadableBodyText(GMimeMessage* message, std::size_t pieceSize = kBodyPieceSize);

// The parts ReadableBodyText reads, in reading order: text parts, and multiparts without parts,
// whose prologue is read. Owned by `message`.
std::vector<GMimeObject*> ReadableParts(GMimeMessage* message);

}  // namespace mail
