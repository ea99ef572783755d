#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "mail/MessageFields.h"
#include "mail/RawMessage.h"
#include "store/Store.h"
#include "store/reading/FileStamp.h"

namespace store::reading {

class ParsedAhead;

// A message's bytes as fetched, and which state of its file they were read from.
struct Fetched {
  mail::RawMessage raw;
  FileStamp stamp;
};

// Where a message's bytes come from.
struct MessageSource {
  // Fetches the message's bytes, throwing Error::Unreadable when it cannot.
  std::function<Fetched()> read;
  // Whether bytes read earlier, with this stamp, are still the message's: false once its file has
  // been deleted, replaced or written to since. Asked at the message's turn when it was read ahead.
  // None for bytes that never change once fetched (a message on a server).
  std::function<bool(const FileStamp&)> unchanged;
};

// One message of a store. Nothing is read when it is made: the first field
// asked for reads and parses the whole message once; every later field comes from that one
// parse. A message that could not be read fails every read with the same reason.
// A message read ahead on a worker thread takes that parse at its first read, unless its bytes
// have changed since; then, as for any other message, it is read there and then.
class ParsedMessage : public Message {
 public:
  ParsedMessage(MessageSource source, std::shared_ptr<ParsedAhead> ahead);
  ~ParsedMessage() override;

  std::string FieldValue(std::uint32_t tag) override;
  std::string BodyText() override { return Body(); }
  std::string TakeBodyText() override;
  std::string Subject() override { return Fields().subject; }
  std::string Sender() override;
  std::string Recipients() override { return Fields().recipients; }
  std::string MessageDate() override;

 private:
  const mail::MessageFields& Fields();
  std::string& Body();
  mail::MessageFields ReadAndParse();

  std::function<Fetched()> read_;
  std::function<bool(const FileStamp&)> unchanged_;
  std::shared_ptr<ParsedAhead> ahead_;
  std::optional<mail::MessageFields> fields_;
  std::optional<Error> failure_;
  bool bodyTaken_ = false;
};

}  // namespace store::reading
