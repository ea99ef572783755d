#pragma once

#include <memory>

#include "store/imap/ImapFolder.h"
#include "store/imap/Server.h"

namespace store::imap {

// The account's root folder: the server's mailboxes arranged by its hierarchy, top-level
// mailboxes with INBOX first and the rest by name, and so at every level. A mailbox whose parent
// the server does not list still gets that parent, without messages. Throws Error::Unreadable
// when the list cannot be had.
std::shared_ptr<ImapFolder> MailboxTree(const std::shared_ptr<Server>& server);

}  // namespace store::imap
