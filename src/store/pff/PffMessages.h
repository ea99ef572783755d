#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/Store.h"
#include "store/pff/PffSource.h"

namespace store::pff {

// The mail of one folder of a personal folder file: the folder's items of a mail class, in the
// file's order. The list is made when the collection is made, reading each item's class only;
// an item whose class cannot be read is listed, and fails as a message that cannot be read.
//
// A walk streams the messages from a reader process of its own, which reads up to a batch of
// messages ahead of the walk. When that reader crashes or hangs, the message it was reading fails
// with how the reader ended, and a new reader carries on from the next one; so every message
// listed is either read or said to be unreadable, and Count stays true.
class PffMessages : public Collection<Message> {
 public:
  // Lists the folder now; throws Error::Unreadable when it cannot be listed.
  PffMessages(std::shared_ptr<PffSource> source, std::vector<int> place);

  long Count() override { return static_cast<long>(indexes_->size()); }
  std::unique_ptr<Cursor<Message>> Begin() override;

 private:
  class MessageCursor;
  std::shared_ptr<PffSource> source_;
  std::vector<int> place_;
  std::shared_ptr<const std::vector<int>> indexes_;  // of the folder's items that are mail
};

}  // namespace store::pff
