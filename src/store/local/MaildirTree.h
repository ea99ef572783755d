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

}  // namespace store::local
