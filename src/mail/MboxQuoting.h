#pragma once

#include <cstddef>

#include "mail/RawMessage.h"

namespace mail {

// Undoes the mboxrd quoting of "From " lines: a line of one or more ">" followed by "From " loses
// one ">", so a body that held "From here" reads the same as it would from a maildir. Works in
// place, on the lines from `start` on; a message without such lines is left untouched.
void UnquoteFromLines(GByteArray& bytes, std::size_t start);

}  // namespace mail
