#include "store/pff/PffMessage.h"

#include <libpff.h>

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

// Properties read by their MAPI tags (libpff names only some of them).
constexpr std::uint32_t kSubject = 0x0037;
constexpr std::uint32_t kSentRepresentingName = 0x0042;
constexpr std::uint32_t kSentRepresentingAddress = 0x0065;
constexpr std::uint32_t kTransportHeaders = 0x007d;
constexpr std::uint32_t kSenderName = 0x0c1a;
constexpr std::uint32_t kSenderAddress = 0x0c1f;
constexpr std::uint32_t kDisplayBcc = 0x0e02;
constexpr std::uint32_t kDisplayCc = 0x0e03;
constexpr std::uint32_t kDisplayTo = 0x0e04;
constexpr std::uint32_t kMessageId = 0x1035;
constexpr std::uint32_t kInternetCodepage = 0x3fde;
constexpr std::uint32_t kMessageCodepage = 0x3ffd;
constexpr std::uint32_t kSenderSmtpAddress = 0x5d01;

using BodySize = int (*)(libpff_item_t*, size_t*, libpff_error_t**);
using BodyRead = int (*)(libpff_item_t*, uint8_t*, size_t, libpff_error_t**);

// A body's bytes, without the end-of-string byte libpff adds; nothing when there is none.
std::optional<std::string> Body(libpff_item_t* message, BodySize size, BodyRead read) {
  libpff_error_t* error = nullptr;
  size_t length = 0;
  if (size(message, &length, &error) != 1 || length == 0) {
    libpff_error_free(&error);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(length);
  if (read(message, bytes.data(), length, &error) != 1) {
    libpff_error_free(&error);
    return std::nullopt;
  }
  std::string text(reinterpret_cast<const char*>(bytes.data()), length);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::optional<std::uint32_t> Number(libpff_item_t* item, std::uint32_t entryType) {
  constexpr uint32_t kInteger32 = 0x0003;
  libpff_error_t* error = nullptr;
  libpff_record_set_t* set = nullptr;
  libpff_record_entry_t* entry = nullptr;
  std::optional<std::uint32_t> number;
  if (libpff_item_get_record_set_by_index(item, 0, &set, &error) == 1 &&
      libpff_record_set_get_entry_by_type(set, entryType, kInteger32, &entry, 0, &error) == 1) {
    uint32_t value = 0;
    if (libpff_record_entry_get_data_as_32bit_integer(entry, &value, &error) == 1) number = value;
  }
  libpff_error_free(&error);
  if (entry) libpff_record_entry_free(&entry, nullptr);
  if (set) libpff_record_set_free(&set, nullptr);
  return number;
}

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

std::optional<std::string> DateOf(libpff_item_t* message) {
  for (auto read : {libpff_message_get_delivery_time, libpff_message_get_client_submit_time}) {
    uint64_t filetime = 0;
    libpff_error_t* error = nullptr;
    if (read(message, &filetime, &error) == 1 && filetime != 0) {
      // FILETIME counts 100 ns from 1601.
      const auto when = static_cast<std::time_t>(filetime / 10000000 - 11644473600ULL);
      if (auto text = mail::LocalDateTimeText(when)) return text;
    }
    libpff_error_free(&error);
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

// What libpff gives of the message, with the file locked. The bodies are turned into text after.
struct Read {
  mail::MessageFields fields;
  std::optional<std::string> plain, html, rtf;
  std::optional<std::uint32_t> htmlCodePage, rtfCodePage;
};

Read ReadMessage(const PffItem& folder, int index) {
  PffFile& file = *folder.file();
  std::lock_guard hold(file.lock());
  libpff_item_t* item = nullptr;
  libpff_error_t* error = nullptr;
  if (libpff_folder_get_sub_message(folder.get(), index, &item, &error) != 1 || !item) {
    throw file.Failure("the message could not be read", error);
  }
  struct Freed {
    libpff_item_t* item;
    ~Freed() { libpff_item_free(&item, nullptr); }
  } freed{item};
  auto text = [item](std::uint32_t entryType) { return ItemText(item, entryType); };
  Read read;
  mail::MessageFields& fields = read.fields;
  if (auto headers = text(kTransportHeaders); headers && !headers->empty()) {
    fields.transportHeaders = TransportHeaderText(*headers);
  }
  fields.messageId = text(kMessageId);
  fields.subject = mail::WithCrLf(SubjectText(text(kSubject).value_or("")));
  std::optional<std::string> name = text(kSenderName);
  if (!name) name = text(kSentRepresentingName);
  std::optional<std::string> address = text(kSenderSmtpAddress);
  if (!address) address = text(kSenderAddress);
  if (!address) address = text(kSentRepresentingAddress);
  if (name && !name->empty() && address && !address->empty() && *name != *address) {
    fields.sender = *name + " <" + *address + ">";
  } else if (address && !address->empty()) {
    fields.sender = *address;
  } else if (name) {
    fields.sender = *name;
  }
  for (std::uint32_t list : {kDisplayTo, kDisplayCc, kDisplayBcc}) {
    const std::string names = text(list).value_or("");
    if (names.empty()) continue;
    if (!fields.recipients.empty()) fields.recipients += "; ";
    fields.recipients += names;
  }
  fields.date = DateOf(item);
  read.plain =
      Body(item, libpff_message_get_plain_text_body_size, libpff_message_get_plain_text_body);
  if (!read.plain || read.plain->empty()) {
    read.html = Body(item, libpff_message_get_html_body_size, libpff_message_get_html_body);
    read.htmlCodePage = Number(item, kInternetCodepage);
    if (!read.htmlCodePage) read.htmlCodePage = Number(item, kMessageCodepage);
  }
  if ((!read.plain || read.plain->empty()) && (!read.html || read.html->empty())) {
    read.rtf = Body(item, libpff_message_get_rtf_body_size, libpff_message_get_rtf_body);
    read.rtfCodePage = Number(item, kMessageCodepage);
  }
  return read;
}

const std::string& Present(const std::optional<std::string>& value, const char* what) {
  if (!value) throw Error::Absent(what);
  return *value;
}

}  // namespace

const mail::MessageFields& PffMessage::Fields() {
  if (fields_) return *fields_;
  if (failure_) throw *failure_;
  Read read;
  try {
    read = ReadMessage(*folder_, index_);
  } catch (const Error& error) {
    failure_ = error;
    throw;
  }
  mail::MessageFields& fields = read.fields;
  if (read.plain && !read.plain->empty()) {
    fields.body = mail::WithCrLf(*read.plain);
  } else if (read.html && !read.html->empty()) {
    fields.body = mail::WithCrLf(mail::HtmlToPlainText(Decoded(*read.html, read.htmlCodePage)));
  } else if (read.rtf) {
    fields.body = mail::WithCrLf(mail::RtfToPlainText(*read.rtf, read.rtfCodePage.value_or(1252)));
  }
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
