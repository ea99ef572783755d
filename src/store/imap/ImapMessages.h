#pragma once

#include <memory>
#include <vector>

#include <vmime/net/folder.hpp>

#include "store/Store.h"
#include "store/imap/Mailbox.h"

namespace store::imap {

class Server;

// The messages of one mailbox as they were when it was opened read-only: Count is their number
// then, and a walk fetches them by UID in batches, so memory stays bounded however large the
// mailbox. Each message is parsed exactly as a local one. A message expunged meanwhile fails its
// reads; a lost connection is reopened once and the walk goes on from the next message; if that
// fails too, every message left fails its reads with the reason.
class ImapMessages : public Collection<Message> {
 public:
  // Messages of at most this many bytes are fetched whole: one command for a batch of them costs
  // less than the three that leave out their attachments.
  static constexpr std::size_t kWholeUpTo = 256 << 10;

  // Opens the mailbox and lists its messages; throws Error::Unreadable. A message larger than
  // `wholeUpTo` is fetched without the parts its record does not read.
  ImapMessages(std::shared_ptr<Server> server, vmime::net::folder::path path,
               std::size_t wholeUpTo = kWholeUpTo);

  long Count() override { return static_cast<long>(entries_->size()); }
  std::unique_ptr<Cursor<Message>> Begin() override;

 private:
  class MessageCursor;

  std::shared_ptr<Server> server_;
  vmime::net::folder::path path_;
  std::shared_ptr<Mailbox> mailbox_;
  std::shared_ptr<const std::vector<Mailbox::Entry>> entries_;
  std::size_t wholeUpTo_;
};

}  // namespace store::imap
