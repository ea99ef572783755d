#pragma once

#include <string>

#include "store/local/LocalFolder.h"

namespace store::local {

// The top-level folders of a Maildir++ tree: "Inbox" (the root maildir's own messages), each
// ".Name" folder with its ".Name.Sub" subfolders (a missing ".Name" shows as an empty folder),
// and each child maildir without a leading dot (the "fs" layout). A folder directory that cannot
// be looked into is listed, and its messages fail with the reason. Names are decoded from IMAP's
// modified UTF-7. Throws Error::Unreadable when the root cannot be listed.
LocalFolders MaildirTreeFolders(const std::string& root);

// Evolution's local folders: a Maildir++ tree whose root maildir is the Inbox, whose Inbox
// folders are kept as "..Name", and whose names write "." and "_" as "_2E" and "_5F".
LocalFolders EvolutionTreeFolders(const std::string& root);

// KMail's local folders: each maildir in the directory is a folder, and the folders of "Name"
// are the maildirs in ".Name.directory" beside it, at every level.
LocalFolders KMailTreeFolders(const std::string& directory);

}  // namespace store::local
