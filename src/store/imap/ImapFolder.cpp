#include "store/imap/ImapFolder.h"

#include "store/ListCollection.h"
#include "store/imap/ImapMessages.h"

namespace store::imap {

std::shared_ptr<Collection<Folder>> ImapFolder::Folders() {
  return std::make_shared<ListCollection<Folder>>(
      std::vector<std::shared_ptr<Folder>>(children_.begin(), children_.end()));
}

std::shared_ptr<Collection<Message>> ImapFolder::Messages() {
  if (!selectable_) return NoMessages();
  return std::make_shared<ImapMessages>(server_, path_);
}

}  // namespace store::imap
