#pragma once

#include <gmime/gmime.h>

#include <cstddef>

#include "mail/MessageFields.h"
#include "mail/RawMessage.h"

namespace mail {

// The options every parse of a message uses; GMime is started, and made safe for parsing on
// several threads at once, at the first call.
GMimeParserOptions* ParserOptions();

// A message in a file is read whole into memory when it is no larger than this; a larger one has
// only its first bytes read, the parser reading on from the file.
inline constexpr std::size_t kReadWhole = 64 << 10;

// Parses one message with GMime and extracts all its fields. Any bytes give a result: a message
// GMime cannot read, or one without a header section, keeps its whole text as its body.
MessageFields ParseMessage(RawMessage raw);

// The message that is the bytes [begin, end) of the open file `fd`, which it takes over; `read`
// reads its bytes [from, to) (from the message's start). Safe on any thread: GMime is started
// first.
MessageFile MessageInFile(int fd, std::size_t begin, std::size_t end,
                          std::function<Bytes(std::size_t from, std::size_t to)> read);

}  // namespace mail
