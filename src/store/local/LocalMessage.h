#pragma once

#include <functional>
#include <optional>

#include "store/Store.h"
#include "store/local/MessageFields.h"
#include "store/local/RawMessage.h"

namespace store::local {

// One message of a maildir or an mbox file. Nothing is read when it is made: the first field
// asked for reads and parses the whole message once; every later field comes from that one
// parse. A message that could not be read fails every read with the same reason.
// Reading and parsing touch nothing but `read` and plain values, so both could move to a worker
// thread that prepares the next message while this one is written.
class LocalMessage : public Message {
 public:
  // `read` fetches the message's bytes, throwing Error::Unreadable when it cannot.
  explicit LocalMessage(std::function<RawMessage()> read) : read_(std::move(read)) {}

  std::string FieldValue(std::uint32_t tag) override;
  std::string BodyText() override { return Fields().body; }
  std::string Subject() override { return Fields().subject; }
  std::string Sender() override;
  std::string Recipients() override { return Fields().recipients; }
  std::string MessageDate() override;

 private:
  const MessageFields& Fields();

  std::function<RawMessage()> read_;
  std::optional<MessageFields> fields_;
  std::optional<Error> failure_;
};

}  // namespace store::local
