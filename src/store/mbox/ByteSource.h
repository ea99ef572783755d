#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "store/reading/FileReading.h"

namespace store::mbox {

// Where the mbox scanner gets its bytes, in order, a buffer at a time: an mbox file, or a
// compressed one decompressed as it is read.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Puts the next bytes into `into`, filling it unless the end comes first; returns how many,
  // 0 at the end. Throws Error::Unreadable when the bytes cannot be had.
  virtual std::size_t Read(char* into, std::size_t size) = 0;
};

// The first `size` bytes of an open file, from its start. Reads with pread, so that other reads
// of the same file go on beside it; a file that has become shorter ends where it now ends.
class FileBytes : public ByteSource {
 public:
  FileBytes(const reading::FileDescriptor& file, std::string path, off_t size)
      : file_(file), path_(std::move(path)), size_(size) {}

  std::size_t Read(char* into, std::size_t size) override;

 private:
  const reading::FileDescriptor& file_;
  std::string path_;
  off_t size_;
  off_t at_ = 0;
};

}  // namespace store::mbox
