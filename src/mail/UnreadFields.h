#pragma once

#include <glib.h>

#include <cstddef>
#include <string>

namespace mail {

// Takes out of a message's header section the fields no record reads (all but the addresses,
// subject, date, Message-ID and the MIME fields), so that the MIME parser does not build objects
// for them, however many there are; everything the
// parser reads of the message stays as it was. Only a plainly formed section, of field lines and
// their folded lines up to an empty line, is changed. The message is the bytes from `start` on;
// what is kept of the section before the last field taken out moves on towards the body, which
// stays where it is, so the message then starts the returned count of bytes later: how many bytes
// went. When any did, `section` gets the header section as it was (up to its empty line) and
// `received` tells whether a Received field went.
std::size_t DropUnreadFields(GByteArray& bytes, std::size_t start, std::string& section,
                             bool& received);

}  // namespace mail
