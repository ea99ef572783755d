#pragma once

#include <memory>
#include <string>

#include "store/Store.h"

namespace store::maildir {

// The messages of one maildir (the files of its cur/ and new/), in delivery order. The list is
// taken when the collection is made; each message is read only when a walk reaches it.
class MaildirMessages : public Collection<Message> {
 public:
  // Lists the maildir now; throws Error::Unreadable when it cannot be listed.
  explicit MaildirMessages(std::string directory);

  long Count() override;
  std::unique_ptr<Cursor<Message>> Begin() override;

 private:
  class Listing;
  std::shared_ptr<const Listing> listing_;
};

}  // namespace store::maildir
