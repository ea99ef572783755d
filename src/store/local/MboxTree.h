#pragma once

#include <string>

#include "store/local/LocalFolder.h"

namespace store::local {

// Which directories of a tree are MH folders: those a mail client has marked as one (Claws Mail,
// Sylpheed, or .mh_sequences), or, in nmh's mail directory, every one but a maildir.
enum class MhFolders { Marked, Every };

// The folders in a directory of mbox files, as mutt-like clients and Thunderbird keep them:
// every regular file that is empty or starts with "From " is a folder, and so is "Name.gz",
// "Name.bz2" or "Name.xz" whose decompressed content is, named "Name"; "Name.sbd/" holds the
// subfolders of "Name" (and makes "Name" a folder even without its file); a maildir is a folder;
// an MH folder is a folder whose children are its directories (its files are its messages, and
// are never opened to tell folders apart); any other directory is a folder whose children are its
// contents. A file or directory that cannot be read is a folder whose messages fail with the
// reason. Index and state files never are folders. Throws Error::Unreadable when the directory
// cannot be listed.
LocalFolders MboxTreeFolders(const std::string& directory, MhFolders mh = MhFolders::Marked);

}  // namespace store::local
