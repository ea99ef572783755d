#pragma once

#include <glib.h>

#include <ctime>
#include <memory>
#include <optional>

namespace mail {

struct BytesDeleter {
  void operator()(GByteArray* bytes) const { g_byte_array_unref(bytes); }
};
// A GLib byte array, so the parser can take the bytes over without copying them.
using Bytes = std::unique_ptr<GByteArray, BytesDeleter>;

// One message's bytes exactly as its store holds them, before any parsing.
struct RawMessage {
  Bytes bytes;
  // Cut from an mbox file: opens with its envelope line and has its "From " lines quoted.
  bool fromMbox = false;
  // When it was delivered, as its store says: a maildir file's name, an MH message file's
  // modification time.
  std::optional<std::time_t> deliveryTime;
};

}  // namespace mail
