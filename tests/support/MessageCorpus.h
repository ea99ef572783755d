#pragma once

// Messages of every kind that the tests serve and keep: the message fixtures that carry a date,
// then generated ones of every record form, line-end style, charset and maildir flag, each
// delivered a minute after the one before.

#include <string>
#include <vector>

#include "DataFiles.h"
#include "TempHome.h"

namespace corpus {

inline constexpr long kFirstDelivery = 1709546400;  // 2024-03-04 10:00 UTC

inline std::string GeneratedMessage(int i) {
  const std::string n = std::to_string(i), b = "--b" + n;
  std::string text = i % 3 == 0 ? "Received: from relay.example.org by mx.example.org; Mon, 4 Mar "
                                  "2024 10:00:00 +0000\r\n"
                                : "";
  text += "From: Sender " + n + " <s" + n + "@example.org>\r\nTo: Bob <bob@example.org>\r\n";
  text += "Subject: Message " + n + (i % 7 == 3 ? " caf\xe9" : "") + "\r\n";
  text += "Date: Mon, 4 Mar 2024 10:" + std::to_string(10 + i % 50) + ":00 +0000\r\n";
  if (i % 11 != 5) text += "Message-ID: <m" + n + "@example.org>\r\n";
  std::string body;
  for (int line = 0; line < 3 + (i * 37) % 60; ++line)
    body += "Line " + std::to_string(line) + " of message " + n + ": the quick brown fox.\r\n";
  if (i % 4 == 1) {
    text += "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"b" + n +
            "\"\r\n\r\n" + b + "\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + body + b +
            "\r\nContent-Type: text/html\r\n\r\n<p>" + n + "</p>\r\n" + b + "--\r\n";
  } else if (i % 6 == 4) {  // HTML written over several lines, as mail programs do
    text +=
        "MIME-Version: 1.0\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><body>\r\n"
        "<p>Dear Bob,\r\nthe figures for " +
        n + "\r\nare in.</p>\r\n" + "<p>Regards,<br>\r\nAnn</p>\r\n</body></html>\r\n";
  } else {
    text +=
        "\r\n" + body + (i % 7 == 3 ? std::string("Gr\xfc\xdf") + "e, no charset named.\r\n" : "");
  }
  if (i % 5 == 2) std::erase(text, '\r');  // a message stored with bare line feeds
  return text;
}

// A short text and an attachment of kLargeAttachment bytes of base64, which no record reads.
inline constexpr std::size_t kLargeAttachment = 2 << 20;

inline std::string LargeAttachmentMessage() {
  std::string text =
      "From: ann@example.org\nTo: bob@example.net\nSubject: The disk image\n"
      "Date: Thu, 14 Mar 2024 09:00:00 +0000\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"img\"\n\n--img\n"
      "Content-Type: text/plain; charset=utf-8\n\nThe image is attached.\n--img\n"
      "Content-Type: application/octet-stream; name=\"disk.img\"\n"
      "Content-Transfer-Encoding: base64\n\n";
  const std::string line = "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5\n";
  for (std::size_t written = 0; written < kLargeAttachment; written += line.size()) text += line;
  return text + "--img--\n";
}

inline std::vector<std::string> CorpusMessages(int count) {
  std::vector<std::string> messages;
  for (const char* fixture :
       {"addresses.eml", "alternative.eml", "envelope-line.eml", "html-only.eml",
        "latin1-subject-no-charset.eml", "mixed-attachment.eml", "plain.eml",
        "rfc2047-subject-utf8-body-no-charset.eml", "attachment-after-text.eml",
        "html-only-and-attachment.eml", "alternative-and-attachment.eml",
        "mixed-inside-alternative.eml", "forwarded-message-attached.eml",
        "part-without-content-type.eml", "koi8r-and-shift-jis-with-attachment.eml",
        "list-digest.eml", "mixed-banner-then-text.eml", "multipart-boundary-never-found.eml"}) {
    messages.push_back(DataFile("messages/" + std::string(fixture)));
  }
  // Structures a server may read otherwise than the parser does, given a date, each ending in a
  // line break as an mbox file keeps it.
  for (const char* fixture :
       {"broken-multipart.eml", "multipart-cut-off.eml",
        "multipart-preamble-without-empty-line.eml", "content-type-empty.eml",
        "content-type-no-type-koi8r.eml", "content-type-no-subtype.eml",
        "content-type-text-slash-in-part.eml", "signed-mixed-text-and-html.eml", "no-text-part.eml",
        "base64-with-junk.eml", "quoted-printable-bad-escape.eml"}) {
    std::string text = DataFile("messages/" + std::string(fixture));
    if (!text.ends_with("\n")) text += "\n";
    messages.push_back("Date: Thu, 14 Mar 2024 08:00:00 +0000\n" + text);
  }
  messages.push_back(LargeAttachmentMessage());
  for (int i = static_cast<int>(messages.size()); i < count; ++i)
    messages.push_back(GeneratedMessage(i));
  messages.resize(count);
  return messages;
}

inline std::string Flags(int i) {
  static const char* const flags[] = {"S", "", "RS", "F", "DS"};
  return flags[i % 5];
}

}  // namespace corpus
