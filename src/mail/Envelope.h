#pragma once

#include <ctime>
#include <optional>
#include <string_view>

namespace mail {

// The "From " envelope line that opens every message of an mbox file (and many maildir files
// written by local delivery agents): "From sender Mon Jan  1 12:00:00 2024".
bool IsEnvelopeLine(std::string_view line);

// The delivery time the envelope line records, read as local time; nothing when it has none.
std::optional<std::time_t> EnvelopeTime(std::string_view line);

}  // namespace mail
