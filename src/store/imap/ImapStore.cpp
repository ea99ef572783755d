#include "store/imap/ImapStore.h"

#include "store/imap/ImapInfoStore.h"
#include "store/imap/MailboxTree.h"

namespace store::imap {

std::shared_ptr<Folder> ImapInfoStore::RootFolder() { return MailboxTree(server_); }

std::string ImapInfoStore::Origin() {
  const Account& account = server_->account();
  return account.user + "@" + account.Server();
}

std::shared_ptr<InfoStore> OpenImapStore(const Account& account, const std::string& password) {
  return std::make_shared<ImapInfoStore>(std::make_shared<Server>(account, password));
}

std::shared_ptr<InfoStore> OpenImapStore(const Account& account,
                                         std::shared_ptr<AccessTokens> tokens) {
  return std::make_shared<ImapInfoStore>(std::make_shared<Server>(account, std::move(tokens)));
}

}  // namespace store::imap
