#pragma once

#include <optional>

#include "mail/MessageFields.h"
#include "store/Store.h"
#include "store/pff/Wire.h"

namespace store::pff {

// One message of a personal folder file, as its reader sent it (see PffReader.h): its transport
// headers, when it travelled, as the header section; else its sender, recipients, subject and
// delivery (else submit) time. Its body is the plain-text body, else the HTML body as text, else
// the RTF body's text, made at the first field asked for. A message that could not be read fails
// every read with the reason.
class PffMessage : public Message {
 public:
  explicit PffMessage(wire::Frame read) : read_(std::move(read)) {}
  explicit PffMessage(Error failure) : failure_(std::move(failure)) {}

  std::string FieldValue(std::uint32_t tag) override;
  std::string BodyText() override { return Fields().body; }
  std::string Subject() override { return Fields().subject; }
  std::string Sender() override;
  std::string Recipients() override { return Fields().recipients; }
  std::string MessageDate() override;

 private:
  const mail::MessageFields& Fields();

  wire::Frame read_;
  std::optional<mail::MessageFields> fields_;
  std::optional<Error> failure_;
};

}  // namespace store::pff
