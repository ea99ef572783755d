#pragma once

#include "store/local/MessageFields.h"
#include "store/local/RawMessage.h"

namespace store::local {

// Parses one message with GMime and extracts all its fields. Any bytes give a result: a message
// GMime cannot read, or one without a header section, keeps its whole text as its body.
MessageFields ParseMessage(RawMessage raw);

}  // namespace store::local
