#include "store/reading/FileReading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "mail/MessageParser.h"

namespace store::reading {
namespace {

// GLib's byte arrays count in 32 bits.
constexpr std::size_t kLargest = std::numeric_limits<guint>::max() / 2;

mail::Bytes NewBytes(std::size_t reserve) {
  return mail::Bytes(g_byte_array_sized_new(static_cast<guint>(std::min(reserve, kLargest))));
}

}  // namespace

Error FileError(const std::string& path, int error) {
  return Error::Unreadable(path + ": " + std::strerror(error));
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileDescriptor OpenForReading(const std::string& path, struct stat* opened) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) return file;
  struct stat own;
  struct stat& st = opened ? *opened : own;
  if (::fstat(file.get(), &st) != 0) return FileDescriptor();
  if (!S_ISREG(st.st_mode)) {
    file = FileDescriptor();
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  }
  return file;
}

FileStamp StampOf(const struct stat& st) {
  auto nanoseconds = [](const timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; };
  return {st.st_dev, st.st_ino, st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

FileStamp StampOf(const FileDescriptor& file) {
  struct stat st;
  return ::fstat(file.get(), &st) == 0 ? StampOf(st) : FileStamp();
}

FileStamp StampOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? StampOf(st) : FileStamp();
}

mail::Bytes ReadAll(const FileDescriptor& file, const std::string& path, FileStamp* stamp,
                    const struct stat* opened) {
  struct stat st;
  if (opened) {
    st = *opened;
  } else if (::fstat(file.get(), &st) != 0) {
    throw FileError(path, errno);
  }
  if (stamp) *stamp = StampOf(st);
  // One byte more than the file holds, so that end of file shows on the second read.
  std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
  if (capacity > kLargest) throw Error::Unreadable(path + ": the message is too large to read");
  mail::Bytes bytes = NewBytes(capacity);
  g_byte_array_set_size(bytes.get(), static_cast<guint>(capacity));
  std::size_t size = 0;
  for (;;) {
    if (size == bytes->len) {
      // The file grew while it was read.
      if (size >= kLargest) throw Error::Unreadable(path + ": the message is too large to read");
      g_byte_array_set_size(bytes.get(), static_cast<guint>(std::min(size * 2, kLargest)));
    }
    ssize_t n = ::read(file.get(), bytes->data + size, bytes->len - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(path, errno);
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
  }
  g_byte_array_set_size(bytes.get(), static_cast<guint>(size));
  return bytes;
}

namespace {

mail::Bytes ReadRange(int file, const std::string& path, off_t begin, off_t end) {
  const std::size_t want = static_cast<std::size_t>(end - begin);
  if (want > kLargest) throw Error::Unreadable(path + ": the message is too large to read");
  mail::Bytes bytes = NewBytes(want);
  g_byte_array_set_size(bytes.get(), static_cast<guint>(want));
  std::size_t size = 0;
  while (size < want) {
    ssize_t n = ::pread(file, bytes->data + size, want - size, begin + static_cast<off_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(path, errno);
    if (n == 0) throw Error::Unreadable(path + ": the file became shorter while it was read");
    size += static_cast<std::size_t>(n);
  }
  return bytes;
}

}  // namespace

mail::Bytes ReadRange(const FileDescriptor& file, const std::string& path, off_t begin, off_t end) {
  return ReadRange(file.get(), path, begin, end);
}

mail::MessageFile MessageInFile(FileDescriptor file, const std::string& path, off_t begin,
                                off_t end) {
  const int fd = file.get();
  return mail::MessageInFile(file.release(), static_cast<std::size_t>(begin),
                             static_cast<std::size_t>(end),
                             [fd, path, begin](std::size_t from, std::size_t to) {
                               return ReadRange(fd, path, begin + static_cast<off_t>(from),
                                                begin + static_cast<off_t>(to));
                             });
}

}  // namespace store::reading
