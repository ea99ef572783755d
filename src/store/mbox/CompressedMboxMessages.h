#pragma once

#include <memory>
#include <string>

#include "store/Store.h"
#include "store/mbox/Decompressing.h"

namespace store::mbox {

// The messages of a compressed mbox file, in file order, exactly as the same file uncompressed
// gives them. The file is decompressed as it is read, never onto disk nor whole into memory:
// Count decompresses it once (unless a walk has already gone to its end), and each walk once
// more, handing out its messages in order as it finds them. A file damaged part of the way gives
// the messages before the damage, then one message whose every read fails saying where.
class CompressedMboxMessages : public Collection<Message> {
 public:
  // Opens the file now; throws Error::Unreadable when it cannot be opened.
  CompressedMboxMessages(std::string path, Compression compression);

  long Count() override;
  std::unique_ptr<Cursor<Message>> Begin() override;

 private:
  struct File;
  class MessageCursor;
  std::shared_ptr<File> file_;
};

}  // namespace store::mbox
