#include "export/ExportFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <system_error>

namespace exporter {
namespace {

std::string ErrorText(int error) { return std::system_category().message(error); }

}  // namespace

ExportFile::~ExportFile() {
  // Only an export abandoned by a bug gets here with the file open.
  if (fd_ >= 0) ::close(fd_);
}

bool ExportFile::Open(const std::string& path) {
  encoder_.emplace(LocaleEncoder::CurrentCharset());
  if (!encoder_->ok()) {
    failed_ = true;
    reason_ = "text cannot be converted to the character set " + encoder_->charset();
    return false;
  }
  // A NUL would silently cut the path short and write some other file.
  if (path.find('\0') != std::string::npos) return Fail(EINVAL);
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return Fail(errno);
  buffer_.resize(kBufferSize);
  return true;
}

bool ExportFile::WriteLine(std::string_view text) {
  if (fd_ < 0 || failed_) return false;
  for (;;) {
    std::span<char> room(buffer_.data() + used_, buffer_.size() - used_);
    encoder_->Convert(text, room);
    const bool converted = text.empty() && encoder_->Reset(room);
    used_ = buffer_.size() - room.size();
    if (converted) break;
    if (!Flush()) return false;
  }
  // Every locale charset glibc offers is ASCII-compatible, so CR LF are these two bytes.
  return Put("\r\n");
}

void ExportFile::EndRecord() {
  if (fd_ >= 0 && !failed_) bufferedEnds_.push_back(written_ + used_);
}

bool ExportFile::Close() {
  if (fd_ < 0) return false;
  if (!failed_) Flush();
  if (::close(fd_) != 0 && !failed_) {
    failed_ = true;
    reason_ = ErrorText(errno);
  }
  fd_ = -1;
  return !failed_;
}

bool ExportFile::Put(std::string_view bytes) {
  while (!bytes.empty()) {
    if (used_ == buffer_.size() && !Flush()) return false;
    const std::size_t n = std::min(bytes.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, bytes.data(), n);
    used_ += n;
    bytes.remove_prefix(n);
  }
  return true;
}

bool ExportFile::Flush() {
  std::size_t done = 0;
  while (done < used_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      written_ += static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      return Fail(n == 0 ? EIO : errno);
    }
  }
  used_ = 0;
  records_ += static_cast<long>(bufferedEnds_.size());
  if (!bufferedEnds_.empty()) recordsEnd_ = bufferedEnds_.back();
  bufferedEnds_.clear();
  return true;
}

bool ExportFile::Fail(int error) {
  failed_ = true;
  reason_ = ErrorText(error);
  for (std::uint64_t end : bufferedEnds_) {
    if (end > written_) break;
    ++records_;
    recordsEnd_ = end;
  }
  bufferedEnds_.clear();
  used_ = 0;
  // Cut off the partial record. A device (/dev/full) cannot be cut, but nothing reached it; if
  // cutting a regular file fails, records() still counts only the complete records.
  if (fd_ >= 0 && written_ > recordsEnd_) {
    const int cut = ::ftruncate(fd_, static_cast<off_t>(recordsEnd_));
    static_cast<void>(cut);
  }
  return false;
}

}  // namespace exporter
