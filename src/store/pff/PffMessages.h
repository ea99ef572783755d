#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/Store.h"
#include "store/pff/PffFile.h"

namespace store::pff {

// Whether an item of this message class is mail to export: notes (mail), posts, meeting
// messages and delivery reports; contacts, appointments, tasks, notes and journal entries are not.
bool IsMailClass(const std::string& messageClass);

// The mail of one folder of a personal folder file: the folder's items of a mail class, in the
// file's order. The list is made when the collection is made, reading each item's class only;
// an item whose class cannot be read is listed, and fails as a message that cannot be read.
class PffMessages : public Collection<Message> {
 public:
  // Lists the folder now; throws Error::Unreadable when it cannot be listed.
  explicit PffMessages(std::shared_ptr<PffItem> folder);

  long Count() override { return static_cast<long>(indexes_->size()); }
  std::unique_ptr<Cursor<Message>> Begin() override;

 private:
  class MessageCursor;
  std::shared_ptr<PffItem> folder_;
  std::shared_ptr<const std::vector<int>> indexes_;  // of the folder's items that are mail
};

}  // namespace store::pff
