#pragma once

#include <glib.h>
#include <gmime/gmime.h>

#include <cstddef>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>

#include "mail/GObjectPtr.h"

namespace mail {

struct BytesDeleter {
  void operator()(GByteArray* bytes) const { g_byte_array_unref(bytes); }
};
// A GLib byte array, so the parser can take the bytes over without copying them.
using Bytes = std::unique_ptr<GByteArray, BytesDeleter>;

// A message that stays in its file while it is parsed: only its header section is copied into
// memory; the parser reads the rest from the file, and the parts it finds stay references into the
// file, so an attachment is never held (nor decoded) however large it is.
struct MessageFile {
  // The file, bounded to the message's bytes, read with its own file offset.
  GObjectPtr<GMimeStream> stream;
  std::size_t size = 0;
  // The message's bytes [from, to), read there and then; throws the store's error when it cannot
  // (the file became shorter, a read failed).
  std::function<Bytes(std::size_t from, std::size_t to)> read;
};

// One message's bytes exactly as its store holds them, before any parsing: in memory, or in
// `file` when that is set.
struct RawMessage {
  Bytes bytes;
  // Cut from an mbox file: opens with its envelope line and has its "From " lines quoted.
  bool fromMbox = false;
  // When it was delivered, as its store says: a maildir file's name, an MH message file's
  // modification time.
  std::optional<std::time_t> deliveryTime;
  std::optional<MessageFile> file = std::nullopt;
};

}  // namespace mail
