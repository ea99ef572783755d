#include "store/mh/MhFolder.h"

#include <sys/stat.h>

namespace store::mh {

bool IsMarkedMhFolder(const std::string& path) {
  for (const char* mark :
       {".mh_sequences", ".claws_cache", ".claws_mark", ".sylpheed_cache", ".sylpheed_mark"}) {
    struct stat st;
    if (::lstat((path + "/" + mark).c_str(), &st) == 0) return true;
  }
  return false;
}

}  // namespace store::mh
