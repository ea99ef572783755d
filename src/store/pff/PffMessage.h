#pragma once

#include <memory>
#include <optional>

#include "mail/MessageFields.h"
#include "store/Store.h"
#include "store/pff/PffFile.h"

namespace store::pff {

// One message of a personal folder file, read whole at the first field asked for: its transport
// headers, when it travelled, as the header section; else its sender, recipients, subject and
// delivery (else submit) time. Its body is the plain-text body, else the HTML body as text, else
// the RTF body's text. A message that cannot be read fails every read with libpff's reason.
class PffMessage : public Message {
 public:
  PffMessage(std::shared_ptr<PffItem> folder, int index)
      : folder_(std::move(folder)), index_(index) {}

  std::string FieldValue(std::uint32_t tag) override;
  std::string BodyText() override { return Fields().body; }
  std::string Subject() override { return Fields().subject; }
  std::string Sender() override;
  std::string Recipients() override { return Fields().recipients; }
  std::string MessageDate() override;

 private:
  const mail::MessageFields& Fields();

  std::shared_ptr<PffItem> folder_;
  int index_;
  std::optional<mail::MessageFields> fields_;
  std::optional<Error> failure_;
};

}  // namespace store::pff
