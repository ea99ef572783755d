#include "store/reading/ParsedMessage.h"

#include <utility>

#include "mail/MessageParser.h"
#include "store/reading/ReadAhead.h"

namespace store::reading {
namespace {

const std::string& Present(const std::optional<std::string>& value, const char* what) {
  if (!value) throw Error::Absent(what);
  return *value;
}

}  // namespace

ParsedMessage::ParsedMessage(MessageSource source, std::shared_ptr<ParsedAhead> ahead)
    : read_(std::move(source.read)),
      unchanged_(std::move(source.unchanged)),
      ahead_(std::move(ahead)) {}

ParsedMessage::~ParsedMessage() = default;

const mail::MessageFields& ParsedMessage::Fields() {
  if (fields_) return *fields_;
  if (failure_) throw *failure_;
  if (ahead_) {
    std::optional<ParsedAhead::Result> parsed = std::exchange(ahead_, nullptr)->Take();
    if (parsed && (!unchanged_ || unchanged_(parsed->stamp))) {
      fields_ = std::move(parsed->fields);
      read_ = nullptr;
      unchanged_ = nullptr;
      return *fields_;
    }
  }
  try {
    fields_ = ReadAndParse();
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

mail::MessageFields ParsedMessage::ReadAndParse() {
  // The parser reads the message from its file as it goes: a file written to meanwhile (another
  // client rewriting an mbox) may have given it bytes of two states, so it is parsed again.
  constexpr int kAttempts = 3;
  for (int attempt = 0;; ++attempt) {
    Fetched fetched = read_();
    mail::MessageFields fields = mail::ParseMessage(std::move(fetched.raw));
    if (!unchanged_ || unchanged_(fetched.stamp)) return fields;
    if (attempt + 1 == kAttempts) {
      throw Error::Unreadable("the message's file kept changing while it was read");
    }
  }
}

std::string ParsedMessage::FieldValue(std::uint32_t tag) {
  if (tag == kTransportMessageHeaders) {
    return Present(Fields().transportHeaders, "no transport headers: the message never travelled");
  }
  if (tag == kInternetMessageId) return Present(Fields().messageId, "no Message-ID");
  throw Error::Absent("no such property");
}

std::string& ParsedMessage::Body() {
  Fields();
  if (bodyTaken_) throw Error::Unreadable("the body text was handed over already");
  return fields_->body;
}

std::string ParsedMessage::TakeBodyText() {
  std::string body = std::move(Body());
  bodyTaken_ = true;
  return body;
}

std::string ParsedMessage::Sender() { return Present(Fields().sender, "no sender"); }

std::string ParsedMessage::MessageDate() { return Present(Fields().date, "no date"); }

}  // namespace store::reading
