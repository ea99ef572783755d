#pragma once

#include <memory>
#include <string>
#include <vector>

#include <vmime/net/folder.hpp>

#include "store/Store.h"

namespace store::imap {

class Server;

// A mailbox of an IMAP account, or the account's root. A mailbox the server marks \Noselect (one
// that only holds other mailboxes) is listed like any other and has no messages.
class ImapFolder : public Folder {
 public:
  ImapFolder(std::shared_ptr<Server> server, std::string name, vmime::net::folder::path path,
             bool selectable)
      : server_(std::move(server)),
        name_(std::move(name)),
        path_(std::move(path)),
        selectable_(selectable) {}

  const std::string& name() const { return name_; }
  const vmime::net::folder::path& path() const { return path_; }
  bool selectable() const { return selectable_; }
  void MakeSelectable() { selectable_ = true; }
  std::vector<std::shared_ptr<ImapFolder>>& children() { return children_; }

  std::string Name() override { return name_; }
  // Mailbox names are unique on a server; names shown the same are told apart by number.
  std::string Origin() override { return {}; }
  std::shared_ptr<Collection<Folder>> Folders() override;
  std::shared_ptr<Collection<Message>> Messages() override;

 private:
  std::shared_ptr<Server> server_;
  std::string name_;
  vmime::net::folder::path path_;
  bool selectable_;
  std::vector<std::shared_ptr<ImapFolder>> children_;
};

}  // namespace store::imap
