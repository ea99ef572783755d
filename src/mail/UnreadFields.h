#pragma once

#include <glib.h>

#include <cstddef>
#include <string>

namespace mail {

// Takes out of a message's header section the fields no record reads (trace, list, signature
// and extension fields), so that the MIME parser does not build objects for them; everything the
// parser reads of the message stays as it was. Only a plainly formed section, of field lines and
// their folded lines up to an empty line, is changed. Returns how many bytes went; when any did,
// `section` gets the header section as it was (up to its empty line) and `received` tells
// whether a Received field went.
std::size_t DropUnreadFields(GByteArray& bytes, std::string& section, bool& received);

}  // namespace mail
