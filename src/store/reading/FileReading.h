#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <utility>

#include "mail/RawMessage.h"
#include "store/Error.h"
#include "store/reading/FileStamp.h"

namespace store::reading {

// The store's failure for a file operation that failed with `error` (an errno value): the file
// and the system's reason.
Error FileError(const std::string& path, int error);

// An open file, closed when it goes.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  // Gives the descriptor up to a new owner.
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

// Opens a file for reading, never blocking on a FIFO or a device; sets errno and returns an
// invalid descriptor on failure. `opened`, when given, gets the open file's status.
FileDescriptor OpenForReading(const std::string& path, struct stat* opened = nullptr);

// All of an open file; throws FileError on a read failure. `stamp`, when given, gets the file's
// stamp from before the read; `opened` is its status when the caller has just taken it.
mail::Bytes ReadAll(const FileDescriptor& file, const std::string& path, FileStamp* stamp = nullptr,
                    const struct stat* opened = nullptr);

FileStamp StampOf(const struct stat& st);
// The stamp of an open file, or of the file at `path`; an invalid stamp when it has none.
FileStamp StampOf(const FileDescriptor& file);
FileStamp StampOf(const std::string& path);

// The bytes [begin, end) of an open file; throws FileError on a read failure, and an unreadable
// error when the file has become shorter.
mail::Bytes ReadRange(const FileDescriptor& file, const std::string& path, off_t begin, off_t end);

// The message that is the bytes [begin, end) of `file`, for the parser to read from the file
// itself; takes the file over.
mail::MessageFile MessageInFile(FileDescriptor file, const std::string& path, off_t begin,
                                off_t end);

}  // namespace store::reading
