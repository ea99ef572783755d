#include "export/ExportFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <span>
#include <system_error>

namespace exporter {
namespace {

std::string ErrorText(int error) { return std::system_category().message(error); }

// Leaves room in a file name for the new file's own prefix and suffix.
constexpr std::size_t kKeptNameBytes = 200;

}  // namespace

// Only an export abandoned by a bug gets here with the new file still open.
ExportFile::~ExportFile() { Discard(); }

bool ExportFile::Open(const ExportTarget& target) {
  encoder_.emplace(LocaleEncoder::CurrentCharset());
  if (!encoder_->ok()) {
    failed_ = true;
    reason_ = "text cannot be converted to the character set " + encoder_->charset();
    return false;
  }
  // A hidden name of its own beside the target, so the rename that keeps it stays on one file
  // system and in one directory.
  const std::string base =
      std::filesystem::path(target.file()).filename().string().substr(0, kKeptNameBytes);
  std::random_device random;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", random());
    temporary_ = target.directory() + "/." + base + suffix;
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    temporary_.clear();
    return Fail(errno);
  }
  // A file being replaced keeps its permissions; a new one gets the usual ones (the umask's).
  if (auto mode = target.existingMode()) static_cast<void>(::fchmod(fd_, *mode));
  target_ = target.file();
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
  if (fd_ >= 0 && !failed_) ++records_;
}

bool ExportFile::Keep() {
  if (fd_ < 0) return false;
  if (!failed_) Flush();
  if (::close(fd_) != 0 && !failed_) Fail(errno);
  fd_ = -1;
  if (!failed_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(errno);
  if (failed_) {
    ::unlink(temporary_.c_str());
    return false;
  }
  temporary_.clear();
  return true;
}

void ExportFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
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
    } else if (n == 0 || errno != EINTR) {
      return Fail(n == 0 ? EIO : errno);
    }
  }
  used_ = 0;
  return true;
}

bool ExportFile::Fail(int error) {
  if (!failed_) reason_ = ErrorText(error);
  failed_ = true;
  used_ = 0;
  return false;
}

}  // namespace exporter
