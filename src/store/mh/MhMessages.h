#pragma once

#include <memory>
#include <string>

#include "store/Store.h"

namespace store::mh {

// The messages of one MH folder (Claws Mail, Sylpheed, nmh, exmh): its files named by a message
// number, in the numbers' order. The list is taken from the folder's directory entries when the
// collection is made, without opening any of them; each message is read only when a walk reaches
// it, and dated by its file's modification time when it has no Date: of its own.
class MhMessages : public Collection<Message> {
 public:
  // Lists the folder now; throws Error::Unreadable when it cannot be listed.
  explicit MhMessages(std::string directory);

  long Count() override;
  std::unique_ptr<Cursor<Message>> Begin() override;

 private:
  class Listing;
  std::shared_ptr<const Listing> listing_;
};

}  // namespace store::mh
