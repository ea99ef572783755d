#pragma once

#include <memory>
#include <string>

#include "store/Store.h"

namespace store::mbox {

// The messages of one mbox file, in file order. The file is opened when the collection is made
// and scanned only as far as a walk has gone (all of it for Count); each message is read from
// the file when the walk reaches it. Never reads the whole file into memory.
class MboxMessages : public Collection<Message> {
 public:
  // Opens the file now; throws Error::Unreadable when it cannot be opened.
  explicit MboxMessages(std::string path);

  long Count() override;
  std::unique_ptr<Cursor<Message>> Begin() override;

 private:
  class Index;
  class MessageCursor;
  std::shared_ptr<Index> index_;
};

}  // namespace store::mbox
