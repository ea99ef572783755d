#pragma once

#include <string>

#include "store/local/LocalFolder.h"

namespace store::local {

// The folders in a directory of mbox files, as mutt-like clients and Thunderbird keep them:
// every regular file that is empty or starts with "From " is a folder, and so is "Name.gz",
// "Name.bz2" or "Name.xz" whose decompressed content is, named "Name"; "Name.sbd/" holds the
// subfolders of "Name" (and makes "Name" a folder even without its file); a maildir is a folder;
// any other directory is a folder whose children are its contents. A file or directory that
// cannot be read is a folder whose messages fail with the reason. Index and state files never
// are folders. Throws Error::Unreadable when the directory cannot be listed.
LocalFolders MboxTreeFolders(const std::string& directory);

}  // namespace store::local
