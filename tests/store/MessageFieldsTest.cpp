// The fields of single messages, read from a maildir, against the exact text they must give.
// Dates read in the C locale and UTC (the test home sets TZ): "%x %X".

#include <gtest/gtest.h>

#include "StoreReading.h"

namespace {

// The delivery time in the maildir file name: 2024-03-09 16:00:00 UTC.
constexpr const char* kDelivered = "03/09/24 16:00:00";

}  // namespace

TEST(MessageFields, TransportHeadersAreTheHeaderSectionAsItStandsOnlyForMailThatTravelled) {
  ExpectFields({
      {"plain.eml", "headers",
       "Return-Path: <alice@example.org>\r\n"
       "Received: from mail.example.org (mail.example.org [192.0.2.1])\r\n"
       "\tby mx.example.net with ESMTP id 4A1B2C3D\r\n"
       "\tfor <bob@example.net>; Tue, 05 Mar 2024 14:30:00 +0100\r\n"
       "From: Alice Example <alice@example.org>\r\n"
       "To: Bob <bob@example.net>\r\n"
       "Cc: carol@example.com\r\n"
       "Subject: Lunch on Friday\r\n"
       "Message-ID:\r\n"
       " <20240305133000.4A1B2C3D@mail.example.org>\r\n"
       "Date: Tue, 05 Mar 2024 14:30:00 +0100\r\n"
       "MIME-Version: 1.0\r\n"
       "Content-Type: text/plain; charset=us-ascii\r\n"},
      {"latin1-subject-no-charset.eml", "headers",
       "Received: by mx.example.net; Fri, 08 Mar 2024 10:00:00 +0000\r\n"
       "From: René <rene@example.fr>\r\n"
       "To: bob@example.net\r\n"
       "Subject: Café crème\r\n"
       "Message-ID: <latin1@example.fr>\r\n"
       "Date: Fri, 08 Mar 2024 10:00:00 +0000\r\n"},
      // A local delivery agent's envelope line is no header.
      {"envelope-line.eml", "headers",
       "Return-Path: <alice@example.org>\r\n"
       "Received: from localhost by host.example.net; Mon, 11 Mar 2024 09:30:00 +0000\r\n"
       "From: alice@example.org\r\n"
       "To: bob@example.net\r\n"
       "Subject: Delivered by a local agent\r\n"
       "Date: Mon, 11 Mar 2024 09:30:00 +0000\r\n"},
      {"crlf.eml", "headers",
       "Received: by mx.example.net; Wed, 13 Mar 2024 10:00:00 +0000\r\n"
       "From: win@example.com\r\n"
       "Subject: Written on another system\r\n"
       "Message-ID:   <crlf@example.com>  \r\n"},
      {"draft-no-date.eml", "headers", kAbsent},
      {"plain.eml", "other tag", kAbsent},
  });
}

TEST(MessageFields, MessageIdIsTheFieldUnfoldedAndTrimmed) {
  ExpectFields({
      {"plain.eml", "id", "<20240305133000.4A1B2C3D@mail.example.org>"},
      {"crlf.eml", "id", "<crlf@example.com>"},
      {"draft-no-date.eml", "id", kAbsent},
      {"Message-ID:\nSubject: x\n\nx\n", "id", ""},
  });
}

TEST(MessageFields, BodyIsTheTextAPersonReadsDecoded) {
  ExpectFields({
      {"plain.eml", "body", "Hi Bob,\r\n\r\nFriday at noon?\r\n\r\nAlice\r\n"},
      {"alternative.eml", "body", "Schöne Grüße\r\naus München"},
      {"mixed-attachment.eml", "body", "The report is attached."},
      // Every inline text of a mixed multipart, and every message of a digest, one empty line
      // apart; an alternative still gives only its choice.
      {"mixed-banner-then-text.eml", "body",
       "[External] Think before you click.\r\n\r\nThe meeting moves to room 4.\r\n— Ann\r\n\r\n"
       "Sent by the list café"},
      {"list-digest.eml", "body",
       "Topics: 1. Where 2. When\r\n\r\nAt the cafe.\r\n\r\nAt noon.\r\n\r\n"
       "To leave the list, reply \"leave\"."},
      {"Content-Type: multipart/signed; boundary=s\n\n--s\nContent-Type: multipart/mixed; "
       "boundary=m\n"
       "\n--m\n\nsigned text\n--m\nContent-Type: text/html\n\n<p>signed footer</p>\n--m--\n--s\n"
       "Content-Type: application/pgp-signature\n\nsignature\n--s--\n",
       "body", "signed text\r\n\r\nsigned footer"},
      {"no-text-part.eml", "body", ""},
      {"html-only.eml", "body", "News\r\nCafé\r\nopens Monday."},
      {"Content-Type: text/html\n\n<p>Run <tt>make</tt>:</p><pre>  a   b\n  c</pre>\n", "body",
       "Run make:\r\n  a   b\r\n  c"},
      {"latin1-subject-no-charset.eml", "body", "Un café, s'il vous plaît.\r\n"},
      {"rfc2047-subject-utf8-body-no-charset.eml", "body", "€ 3 for a café\r\n"},
      {"unknown-charset.eml", "body", "Price: 5€ – fair\r\n"},
      {"envelope-line.eml", "body", "From here on, plain text.\r\n"},
      {"crlf.eml", "body", "Line one\r\nLine two\r\n"},
  });
}

TEST(MessageFields, SubjectAndAddressesAreDecoded) {
  ExpectFields({
      {"plain.eml", "subject", "Lunch on Friday"},
      {"alternative.eml", "subject", "Re: Grüße"},
      {"latin1-subject-no-charset.eml", "subject", "Café crème"},
      {"rfc2047-subject-utf8-body-no-charset.eml", "subject", "Café € 3"},
      {"plain.eml", "sender", "Alice Example <alice@example.org>"},
      {"alternative.eml", "sender", "Jürgen Müller <juergen@example.de>"},
      {"latin1-subject-no-charset.eml", "sender", "René <rene@example.fr>"},
      {"addresses.eml", "sender", "Doe, Jane <jane@example.org>"},
      {"Subject: nobody\n\nx\n", "sender", kAbsent},
      {"plain.eml", "recipients", "Bob <bob@example.net>; carol@example.com"},
      {"addresses.eml", "recipients",
       "ann@example.org; Smith, Bo <bo@example.org>; dan@example.org; Zoë <zoe@example.org>"},
      {"Subject: nobody\n\nx\n", "recipients", ""},
  });
}

TEST(MessageFields, DateIsLocalTimeElseTheDeliveryTimeElseAbsent) {
  ExpectFields({
      {"plain.eml", "date", "03/05/24 13:30:00"},
      {"rfc2047-subject-utf8-body-no-charset.eml", "date", "03/09/24 11:00:00"},
      {"draft-no-date.eml", "date", kDelivered},
      {"Subject: x\nDate: the day after tomorrow\n\nx\n", "date", kDelivered},
  });
  TempHome home;
  EXPECT_EQ(Read(*Delivered(home, "Subject: x\n\nx\n", "saved-by-hand"), "date"), kAbsent);
}

TEST(MessageFields, TraceListAndExtensionFieldsAmongTheOthersChangeNoField) {
  const std::string travelled =
      "received: by mx.example.net; Wed, 13 Mar 2024 10:00:00 +0000\n"
      "From: Alice <alice@example.org>\n"
      "X-Spam-Report: folded\n"
      "\tover two lines\n"
      "Subject: =?UTF-8?Q?caf=C3=A9?=\n"
      " continued\n"
      "List-Id: <list.example.org>\n"
      "To: bob@example.net\n"
      "DKIM-Signature: v=1;\n"
      " b=abc\n"
      "Message-ID: <trace@example.org>\n"
      "Content-Type: text/plain; charset=utf-8\n"
      "X-Last: value\n"
      "\n"
      "body\n";
  const std::string draft = "X-Mailer: editor\nSubject: draft\nList-Post: <x>\n\ntext\n";
  ExpectFields({
      {travelled, "headers",
       "received: by mx.example.net; Wed, 13 Mar 2024 10:00:00 +0000\r\n"
       "From: Alice <alice@example.org>\r\n"
       "X-Spam-Report: folded\r\n"
       "\tover two lines\r\n"
       "Subject: =?UTF-8?Q?caf=C3=A9?=\r\n"
       " continued\r\n"
       "List-Id: <list.example.org>\r\n"
       "To: bob@example.net\r\n"
       "DKIM-Signature: v=1;\r\n"
       " b=abc\r\n"
       "Message-ID: <trace@example.org>\r\n"
       "Content-Type: text/plain; charset=utf-8\r\n"
       "X-Last: value\r\n"},
      {travelled, "subject", "café continued"},
      {travelled, "sender", "Alice <alice@example.org>"},
      {travelled, "recipients", "bob@example.net"},
      {travelled, "id", "<trace@example.org>"},
      {travelled, "body", "body\r\n"},
      {draft, "headers", kAbsent},
      {draft, "subject", "draft"},
      {draft, "body", "text\r\n"},
  });
}
