// Temporary: stands in for the IMAP store until it is built into this branch; to be deleted then.
#include "store/imap/ImapStore.h"

namespace store::imap {

std::shared_ptr<InfoStore> OpenImapStore(const Account&, const std::string&) {
  throw Error::Unreadable("IMAP accounts are not available in this build");
}

}  // namespace store::imap
