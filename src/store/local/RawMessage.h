#pragma once

#include <glib.h>
#include <sys/types.h>

#include <ctime>
#include <memory>
#include <optional>

namespace store::local {

struct BytesDeleter {
  void operator()(GByteArray* bytes) const { g_byte_array_unref(bytes); }
};
// A GLib byte array, so the parser can take the bytes over without copying them.
using Bytes = std::unique_ptr<GByteArray, BytesDeleter>;

// Which file, and in which state, bytes were read from: two stamps differ once the file has been
// replaced, written to or cut since (to within the file system's timestamp granularity).
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  long long modified = 0;  // nanoseconds
  long long changed = 0;

  bool operator==(const FileStamp&) const = default;
};

// One message's bytes exactly as its file holds them, before any parsing.
struct RawMessage {
  Bytes bytes;
  // Cut from an mbox file: opens with its envelope line and has its "From " lines quoted.
  bool fromMbox = false;
  // When it was delivered, as its maildir file name says.
  std::optional<std::time_t> deliveryTime;
  // The file the bytes came from, as it was when they were read.
  FileStamp stamp;
};

}  // namespace store::local
