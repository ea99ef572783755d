#pragma once

#include <string>

namespace store::maildir {

// A maildir: a directory holding cur/.
bool IsMaildir(const std::string& path);

// A folder to read as a maildir: a directory holding cur/, or one that cannot be looked into
// (no permission), so that reading its messages says why rather than the folder going unlisted.
bool MayBeMaildir(const std::string& path);

}  // namespace store::maildir
