#include "store/pff/PffMessage.h"

#include <ctime>
#include <string_view>
#include <vector>

#include "mail/Charset.h"
#include "mail/DateText.h"
#include "mail/HtmlText.h"
#include "mail/LineBreaks.h"
#include "mail/RtfText.h"

namespace store::pff {
namespace {

// The iconv name of a Windows code page.
std::string CharsetOf(std::uint32_t codePage) {
  switch (codePage) {
    case 65001:
      return "UTF-8";
    case 20127:
      return "US-ASCII";
    case 1200:
      return "UTF-16LE";
    case 50220:
    case 50221:
    case 50222:
      return "ISO-2022-JP";
    case 51932:
      return "EUC-JP";
    case 52936:
      return "HZ";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

// Bytes of a body in `codePage`, as UTF-8; bytes the code page does not take are read as
// Windows-1252, as unlabelled mail is.
std::string Decoded(std::string_view bytes, std::optional<std::uint32_t> codePage) {
  if (codePage) {
    if (auto text = mail::ConvertToUtf8(bytes, CharsetOf(*codePage).c_str())) return *text;
  }
  return mail::DecodeUnlabelled(bytes);
}

// FILETIME counts 100 ns from 1601.
std::optional<std::string> DateOf(const wire::Field& delivered, const wire::Field& submitted) {
  for (const wire::Field& time : {delivered, submitted}) {
    const std::optional<long long> filetime = wire::NumberOf(time);
    if (!filetime || *filetime <= 0) continue;
    const auto when = static_cast<std::time_t>(*filetime / 10000000 - 11644473600LL);
    if (auto text = mail::LocalDateTimeText(when)) return text;
  }
  return std::nullopt;
}

// A subject may start with a marker of its prefix's length (U+0001 and one character).
std::string SubjectText(std::string subject) {
  if (subject.size() >= 2 && subject[0] == '\x01') subject.erase(0, 2);
  return subject;
}

std::string TransportHeaderText(const std::string& headers) {
  std::string text = mail::WithCrLf(headers);
  // The property keeps the empty line that ends the section; the record writes its own.
  while (text.ends_with("\r\n\r\n")) text.resize(text.size() - 2);
  if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
  return text;
}

const std::string& Present(const std::optional<std::string>& value, const char* what) {
  if (!value) throw Error::Absent(what);
  return *value;
}

}  // namespace

const mail::MessageFields& PffMessage::Fields() {
  if (fields_) return *fields_;
  if (failure_) throw *failure_;
  read_.resize(1 + wire::kMessageFields);
  auto field = [this](wire::MessageField which) -> const wire::Field& { return read_[1 + which]; };
  auto codePage = [&](wire::MessageField which) -> std::optional<std::uint32_t> {
    if (auto number = wire::NumberOf(field(which))) return static_cast<std::uint32_t>(*number);
    return std::nullopt;
  };
  mail::MessageFields fields;
  if (const auto& headers = field(wire::kHeadersField); headers && !headers->empty())
    fields.transportHeaders = TransportHeaderText(*headers);
  fields.messageId = field(wire::kMessageIdField);
  fields.subject = mail::WithCrLf(SubjectText(field(wire::kSubjectField).value_or("")));
  fields.sender = field(wire::kSenderField);
  fields.recipients = field(wire::kRecipientsField).value_or("");
  fields.date = DateOf(field(wire::kDeliveryTime), field(wire::kSubmitTime));
  const wire::Field& plain = field(wire::kPlainBody);
  const wire::Field& html = field(wire::kHtmlBody);
  if (plain && !plain->empty()) {
    fields.body = mail::WithCrLf(*plain);
  } else if (html && !html->empty()) {
    fields.body =
        mail::WithCrLf(mail::HtmlToPlainText(Decoded(*html, codePage(wire::kHtmlCodePage))));
  } else if (const wire::Field& rtf = field(wire::kRtfBody)) {
    fields.body =
        mail::WithCrLf(mail::RtfToPlainText(*rtf, codePage(wire::kRtfCodePage).value_or(1252)));
  }
  read_.clear();
  fields_ = std::move(fields);
  return *fields_;
}

std::string PffMessage::FieldValue(std::uint32_t tag) {
  if (tag == kTransportMessageHeaders) {
    return Present(Fields().transportHeaders, "no transport headers: the message never travelled");
  }
  if (tag == kInternetMessageId) return Present(Fields().messageId, "no Message-ID");
  throw Error::Absent("no such property");
}

std::string PffMessage::Sender() { return Present(Fields().sender, "no sender"); }

std::string PffMessage::MessageDate() { return Present(Fields().date, "no date"); }

}  // namespace store::pff
