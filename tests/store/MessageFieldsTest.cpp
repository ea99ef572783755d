// The fields of single messages, read from a maildir, against the exact text they must give.
// Dates read in the C locale and UTC (the test home sets TZ): "%x %X".

#include <gtest/gtest.h>

#include "StoreReading.h"
#include "TempHome.h"

namespace {

constexpr const char* kAbsent = "<absent>";
// The delivery time in the file names below: 2024-03-09 16:00:00 UTC.
constexpr const char* kDelivered = "03/09/24 16:00:00";

class MessageFields : public ::testing::Test {
 protected:
  // The message of that fixture, delivered into a maildir and read through a session.
  std::shared_ptr<store::Message> Delivered(const std::string& fixture) {
    return DeliveredBytes(Fixture(fixture));
  }
  std::shared_ptr<store::Message> DeliveredBytes(const std::string& bytes) {
    home.Maildir("Maildir");
    home.Write("Maildir/cur/1710000000.M1P1.host:2,S", bytes);
    auto messages = MessagesOf(FolderAt("Maildir", {"Inbox"}));
    EXPECT_EQ(messages.size(), 1u);
    return messages.empty() ? nullptr : messages[0];
  }

  static std::string Subject(store::Message& m) {
    return Field([&] { return m.Subject(); });
  }
  static std::string Sender(store::Message& m) {
    return Field([&] { return m.Sender(); });
  }
  static std::string Recipients(store::Message& m) {
    return Field([&] { return m.Recipients(); });
  }
  static std::string Date(store::Message& m) {
    return Field([&] { return m.MessageDate(); });
  }
  static std::string Body(store::Message& m) {
    return Field([&] { return m.BodyText(); });
  }

  TempHome home;
};

}  // namespace

TEST_F(MessageFields, PlainMessageThatTravelled) {
  auto m = Delivered("plain.eml");
  EXPECT_EQ(HeadersOf(*m),
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
            "Content-Type: text/plain; charset=us-ascii\r\n");
  EXPECT_EQ(MessageIdOf(*m), "<20240305133000.4A1B2C3D@mail.example.org>");
  EXPECT_EQ(Subject(*m), "Lunch on Friday");
  EXPECT_EQ(Sender(*m), "Alice Example <alice@example.org>");
  EXPECT_EQ(Recipients(*m), "Bob <bob@example.net>; carol@example.com");
  EXPECT_EQ(Date(*m), "03/05/24 13:30:00");
  EXPECT_EQ(Body(*m), "Hi Bob,\r\n\r\nFriday at noon?\r\n\r\nAlice\r\n");
  EXPECT_EQ(Field([&] { return m->FieldValue(0x0E1D001E); }), kAbsent);
}

TEST_F(MessageFields, AlternativeGivesItsPlainPartDecoded) {
  auto m = Delivered("alternative.eml");
  EXPECT_EQ(Body(*m), "Schöne Grüße\r\naus München");
  EXPECT_EQ(Subject(*m), "Re: Grüße");
  EXPECT_EQ(Sender(*m), "Jürgen Müller <juergen@example.de>");
  EXPECT_EQ(MessageIdOf(*m), "<alt-1@example.de>");
}

TEST_F(MessageFields, HtmlOnlyMessageIsRenderedAsPlainText) {
  auto m = Delivered("html-only.eml");
  EXPECT_EQ(Body(*m), "News\r\nCafé\r\nopens Monday.");
}

TEST_F(MessageFields, HtmlPreformattedAndCodeTextKeepTheirSpacing) {
  auto m = DeliveredBytes(
      "Content-Type: text/html\n\n<p>Run <tt>make</tt>:</p><pre>  a   b\n  c</pre>\n");
  EXPECT_EQ(Body(*m), "Run make:\r\n  a   b\r\n  c");
}

TEST_F(MessageFields, MixedMessageGivesItsFirstInlineTextPart) {
  auto m = Delivered("mixed-attachment.eml");
  EXPECT_EQ(Body(*m), "The report is attached.");
}

TEST_F(MessageFields, MessageWithoutTextPartHasAnEmptyBody) {
  auto m = Delivered("no-text-part.eml");
  EXPECT_EQ(Body(*m), "");
  EXPECT_EQ(Subject(*m), "Scan");
}

TEST_F(MessageFields, RawLatin1HeadersAndBodyWithoutCharsetReadAsWindows1252) {
  auto m = Delivered("latin1-subject-no-charset.eml");
  EXPECT_EQ(Subject(*m), "Café crème");
  EXPECT_EQ(Sender(*m), "René <rene@example.fr>");
  EXPECT_EQ(Body(*m), "Un café, s'il vous plaît.\r\n");
  EXPECT_EQ(HeadersOf(*m),
            "Received: by mx.example.net; Fri, 08 Mar 2024 10:00:00 +0000\r\n"
            "From: René <rene@example.fr>\r\n"
            "To: bob@example.net\r\n"
            "Subject: Café crème\r\n"
            "Message-ID: <latin1@example.fr>\r\n"
            "Date: Fri, 08 Mar 2024 10:00:00 +0000\r\n");
}

TEST_F(MessageFields, EncodedWordSubjectAndUtf8BodyWithoutCharset) {
  auto m = Delivered("rfc2047-subject-utf8-body-no-charset.eml");
  EXPECT_EQ(Subject(*m), "Café € 3");
  EXPECT_EQ(Body(*m), "€ 3 for a café\r\n");
  EXPECT_EQ(Date(*m), "03/09/24 11:00:00");
}

TEST_F(MessageFields, UnknownCharsetFallsBackToTheBytes) {
  auto m = Delivered("unknown-charset.eml");
  EXPECT_EQ(Body(*m), "Price: 5€ – fair\r\n");
}

TEST_F(MessageFields, GroupsAreOpenedAndQuotedNamesKept) {
  auto m = Delivered("addresses.eml");
  EXPECT_EQ(Sender(*m), "Doe, Jane <jane@example.org>");
  EXPECT_EQ(Recipients(*m),
            "ann@example.org; Smith, Bo <bo@example.org>; dan@example.org; Zoë <zoe@example.org>");
}

TEST_F(MessageFields, DraftHasNoTransportHeadersAndItsDeliveryTimeAsDate) {
  auto m = Delivered("draft-no-date.eml");
  EXPECT_EQ(HeadersOf(*m), kAbsent);
  EXPECT_EQ(MessageIdOf(*m), kAbsent);
  EXPECT_EQ(Sender(*m), "Bob <bob@example.net>");
  EXPECT_EQ(Recipients(*m), "Alice <alice@example.org>");
  EXPECT_EQ(Subject(*m), "Unfinished thoughts");
  EXPECT_EQ(Date(*m), kDelivered);
  EXPECT_EQ(Body(*m), "Still writing this.\r\n");
}

TEST_F(MessageFields, EnvelopeLineOfALocalDeliveryAgentIsNotAHeader) {
  auto m = Delivered("envelope-line.eml");
  EXPECT_EQ(HeadersOf(*m),
            "Return-Path: <alice@example.org>\r\n"
            "Received: from localhost by host.example.net; Mon, 11 Mar 2024 09:30:00 +0000\r\n"
            "From: alice@example.org\r\n"
            "To: bob@example.net\r\n"
            "Subject: Delivered by a local agent\r\n"
            "Date: Mon, 11 Mar 2024 09:30:00 +0000\r\n");
  EXPECT_EQ(Body(*m), "From here on, plain text.\r\n");
}

TEST_F(MessageFields, CrLfMessageKeepsItsLineBreaksAndTrimsItsMessageId) {
  auto m = Delivered("crlf.eml");
  EXPECT_EQ(MessageIdOf(*m), "<crlf@example.com>");
  EXPECT_EQ(HeadersOf(*m),
            "Received: by mx.example.net; Wed, 13 Mar 2024 10:00:00 +0000\r\n"
            "From: win@example.com\r\n"
            "Subject: Written on another system\r\n"
            "Message-ID:   <crlf@example.com>  \r\n");
  EXPECT_EQ(Body(*m), "Line one\r\nLine two\r\n");
}

TEST_F(MessageFields, MissingSenderAndRecipients) {
  auto m = DeliveredBytes("Subject: nobody\n\nx\n");
  EXPECT_EQ(Sender(*m), kAbsent);
  EXPECT_EQ(Recipients(*m), "");
  EXPECT_EQ(MessageIdOf(*m), kAbsent);
}

TEST_F(MessageFields, UnparsableDateFallsBackToTheDeliveryTime) {
  auto m = DeliveredBytes("Subject: x\nDate: the day after tomorrow\n\nx\n");
  EXPECT_EQ(Date(*m), kDelivered);
}

TEST_F(MessageFields, NoDateAnywhereIsAbsent) {
  home.Maildir("Maildir");
  home.Write("Maildir/cur/saved-by-hand", "Subject: x\n\nx\n");
  auto messages = MessagesOf(FolderAt("Maildir", {"Inbox"}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(Date(*messages[0]), kAbsent);
}

TEST_F(MessageFields, EmptyMessageIdIsEmptyTextNotAbsent) {
  auto m = DeliveredBytes("Message-ID:\nSubject: x\n\nx\n");
  EXPECT_EQ(MessageIdOf(*m), "");
}
