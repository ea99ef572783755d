#include "store/local/LocalMessage.h"

#include <utility>

#include "store/local/MessageParser.h"
#include "store/local/ReadAhead.h"

namespace store::local {
namespace {

const std::string& Present(const std::optional<std::string>& value, const char* what) {
  if (!value) throw Error::Absent(what);
  return *value;
}

}  // namespace

LocalMessage::LocalMessage(MessageSource source, std::shared_ptr<ParsedAhead> ahead)
    : read_(std::move(source.read)),
      unchanged_(std::move(source.unchanged)),
      ahead_(std::move(ahead)) {}

LocalMessage::~LocalMessage() = default;

const MessageFields& LocalMessage::Fields() {
  if (fields_) return *fields_;
  if (failure_) throw *failure_;
  if (ahead_) {
    std::optional<ParsedAhead::Result> parsed = std::exchange(ahead_, nullptr)->Take();
    if (parsed && unchanged_ && unchanged_(parsed->stamp)) {
      fields_ = std::move(parsed->fields);
      read_ = nullptr;
      unchanged_ = nullptr;
      return *fields_;
    }
  }
  try {
    fields_ = ParseMessage(read_());
  } catch (const Error& error) {
    failure_ = error;
    read_ = nullptr;
    unchanged_ = nullptr;
    throw;
  }
  read_ = nullptr;
  unchanged_ = nullptr;
  return *fields_;
}

std::string LocalMessage::FieldValue(std::uint32_t tag) {
  if (tag == kTransportMessageHeaders) {
    return Present(Fields().transportHeaders, "no transport headers: the message never travelled");
  }
  if (tag == kInternetMessageId) return Present(Fields().messageId, "no Message-ID");
  throw Error::Absent("no such property");
}

std::string LocalMessage::Sender() { return Present(Fields().sender, "no sender"); }

std::string LocalMessage::MessageDate() { return Present(Fields().date, "no date"); }

}  // namespace store::local
