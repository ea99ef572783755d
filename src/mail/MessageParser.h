#pragma once

#include "mail/MessageFields.h"
#include "mail/RawMessage.h"

namespace mail {

// Parses one message with GMime and extracts all its fields. Any bytes give a result: a message
// GMime cannot read, or one without a header section, keeps its whole text as its body.
MessageFields ParseMessage(RawMessage raw);

}  // namespace mail
