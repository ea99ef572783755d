#include "store/maildir/Maildir.h"

#include <sys/stat.h>

#include <cerrno>

namespace store::maildir {

bool IsMaildir(const std::string& path) {
  struct stat st;
  return ::stat((path + "/cur").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MayBeMaildir(const std::string& path) {
  struct stat st;
  if (::stat((path + "/cur").c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace store::maildir
