#include "export/ExportTarget.h"

#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <utility>

namespace exporter {
namespace {

namespace fs = std::filesystem;

using FileId = std::pair<dev_t, ino_t>;

std::string ErrorText(int error) { return std::strerror(error); }

std::string Home() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) return user->pw_dir;
  return "/";
}

// The typed path as an absolute one, not yet tidied: ".." must go through links as the system
// takes it.
std::string Absolute(const std::string& typed) {
  if (typed.starts_with('/')) return typed;
  if (typed == "~") return Home();
  if (typed.starts_with("~/")) return Home() + typed.substr(1);
  return Home() + "/" + typed;
}

// Follows the symbolic links that the last component of `path` names, so that the export
// replaces what the link points to rather than the link itself.
bool FollowLinks(std::string& path, std::string& reason) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) {
      reason = ErrorText(errno);
      return false;
    }
    target.resize(static_cast<std::size_t>(n));
    path = target.starts_with('/') ? target : (fs::path(path).parent_path() / target).string();
  }
  reason = ErrorText(ELOOP);
  return false;
}

std::optional<FileId> IdOf(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

// The mail location that `path` is, or lies inside, if any.
std::optional<std::string> MailAt(const std::string& file, const std::string& directory,
                                  const std::vector<std::string>& mailLocations) {
  std::map<FileId, std::string> mail;
  for (const std::string& location : mailLocations) {
    if (auto id = IdOf(location)) mail.emplace(*id, location);
  }
  if (mail.empty()) return std::nullopt;
  if (auto id = IdOf(file); id && mail.count(*id)) return "It is " + mail[*id];
  for (fs::path up = directory;; up = up.parent_path()) {
    if (auto id = IdOf(up.string()); id && mail.count(*id)) return "It lies inside " + mail[*id];
    if (up == up.parent_path()) break;
  }
  return std::nullopt;
}

}  // namespace

std::string ExportTarget::Shown(const std::string& typed) {
  if (typed.empty()) return typed;
  return fs::path(Absolute(typed)).lexically_normal().string();
}

std::optional<ExportTarget> ExportTarget::Resolve(const std::string& typed,
                                                  const std::vector<std::string>& mailLocations,
                                                  std::string& reason) {
  // A NUL would silently cut the path short and name some other file.
  if (typed.empty() || typed.find('\0') != std::string::npos) {
    reason = ErrorText(typed.empty() ? ENOENT : EINVAL);
    return std::nullopt;
  }
  ExportTarget target;
  target.shown_ = Shown(typed);
  std::string path = Absolute(typed);
  if (!FollowLinks(path, reason)) return std::nullopt;

  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      reason = ErrorText(EISDIR);
      return std::nullopt;
    }
    // Opening a FIFO would wait for a reader, and a device is no file to keep an export in.
    if (!S_ISREG(st.st_mode)) {
      reason = "It is not a regular file.";
      return std::nullopt;
    }
    target.existingMode_ = st.st_mode & 07777;
  }
  const fs::path whole(path);
  char* real = realpath(whole.parent_path().c_str(), nullptr);
  if (!real) {
    reason = ErrorText(errno);
    return std::nullopt;
  }
  target.directory_ = real;
  std::free(real);
  target.file_ = (fs::path(target.directory_) / whole.filename()).string();

  if (auto mail = MailAt(target.file_, target.directory_, mailLocations)) {
    reason = *mail +
             ", which holds mail that Orvane reads: writing the export there could "
             "destroy that mail.";
    return std::nullopt;
  }
  return target;
}

}  // namespace exporter
