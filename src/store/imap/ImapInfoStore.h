#pragma once

#include <memory>
#include <string>

#include "store/Store.h"
#include "store/imap/Server.h"

namespace store::imap {

// An IMAP account as a message store: its name is the account's, its root folder holds the
// account's top-level mailboxes. The mailbox list is asked for each time the root is.
class ImapInfoStore : public InfoStore {
 public:
  explicit ImapInfoStore(std::shared_ptr<Server> server) : server_(std::move(server)) {}

  std::string Name() override { return server_->account().name; }
  std::string Origin() override;
  std::shared_ptr<Folder> RootFolder() override;
  // Its mail is on the server.
  std::vector<std::string> Locations() override { return {}; }

 private:
  std::shared_ptr<Server> server_;
};

}  // namespace store::imap
