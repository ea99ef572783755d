#include "store/mbox/ByteSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace store::mbox {

using reading::FileError;

std::size_t FileBytes::Read(char* into, std::size_t size) {
  const std::size_t want =
      static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(size), size_ - at_));
  std::size_t got = 0;
  while (got < want) {
    ssize_t n = ::pread(file_.get(), into + got, want - got, at_ + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(path_, errno);
    if (n == 0) {
      size_ = at_ + static_cast<off_t>(got);  // the file became shorter: it ends here
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  at_ += static_cast<off_t>(got);
  return got;
}

}  // namespace store::mbox
