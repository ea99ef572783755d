#pragma once

#include <sys/types.h>

namespace store::reading {

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

}  // namespace store::reading
