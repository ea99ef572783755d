// Each message kept as tests/data/messages/<name>.eml, parsed alone, gives exactly the fields kept
// beside it in <name>.fields (see DataFiles.h). It is parsed as delivered at 2024-03-09 16:00:00
// UTC, as a maildir file name would say; "undelivered date" is its date without that. Dates read
// in the C locale and UTC: "%x %X".

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "DataFiles.h"
#include "TempHome.h"
#include "mail/BodyText.h"
#include "mail/GObjectPtr.h"
#include "mail/MessageParser.h"
#include "mail/RtfText.h"

namespace {

mail::MessageFields Parse(std::string_view text, std::optional<time_t> delivered = 1710000000) {
  mail::Bytes bytes(g_byte_array_new());
  g_byte_array_append(bytes.get(), reinterpret_cast<const guint8*>(text.data()),
                      static_cast<guint>(text.size()));
  return mail::ParseMessage({std::move(bytes), false, delivered});
}

class MessageFile : public testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(MessageFile, GivesTheFieldsKeptBesideIt) {
  TempHome home;  // for TZ=UTC
  const std::string bytes = DataFile("messages/" + GetParam() + ".eml");
  const mail::MessageFields f = Parse(bytes);
  const auto undelivered = Parse(bytes, std::nullopt).date;
  const std::vector<std::optional<std::string>> given = {
      f.transportHeaders, f.messageId, f.subject,   f.sender,
      f.recipients,       f.date,      undelivered, f.body};
  const std::vector<std::string> names = {"headers",    "id",   "subject",          "sender",
                                          "recipients", "date", "undelivered date", "body"};
  EXPECT_EQ(FieldsText(names, given), DataFile("messages/" + GetParam() + ".fields"));
}

// A text part's content read a few bytes at a time, as a large one is read, gives the same body
// as read whole: characters, shift states, encoded lines and CR LF pairs cut between pieces.
TEST_P(MessageFile, GivesTheSameBodyReadInPieces) {
  const std::string bytes = DataFile("messages/" + GetParam() + ".eml");
  mail::GObjectPtr<GMimeStream> stream(
      g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  mail::GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  mail::GObjectPtr<GMimeMessage> message(
      g_mime_parser_construct_message(parser.get(), mail::ParserOptions()));
  const std::string whole = mail::ReadableBodyText(message.get());
  for (std::size_t size : {1, 2, 3, 7, 64}) {
    EXPECT_EQ(mail::ReadableBodyText(message.get(), size), whole) << size << " bytes a piece";
  }
}

INSTANTIATE_TEST_SUITE_P(Messages, MessageFile, testing::ValuesIn(DataNames("messages", ".eml")),
                         DataTestName);

// Messages made here: too large to keep, or naming a file of this run.

TEST(LargeMessage, HeaderSectionOfMegabytesIsReadWhole) {
  std::string headers = "Received: from somewhere\n";
  const std::string filler(40, 'x');
  for (int i = 0; i < 40000; ++i) headers += "X-Filler-" + std::to_string(i) + ": " + filler + "\n";
  const mail::MessageFields f = Parse(headers + "Subject: at the end\n\nbody\n");
  EXPECT_GT(f.transportHeaders.value_or("").size(), 2'000'000u);
  EXPECT_TRUE(f.transportHeaders.value_or("").ends_with("X-Filler-39999: " + filler +
                                                        "\r\nSubject: at the end\r\n"));
  EXPECT_EQ(f.subject, "at the end");
  EXPECT_EQ(f.body, "body\r\n");
}

TEST(LargeMessage, HtmlNestedAHundredThousandDeepKeepsItsText) {
  std::string html;
  for (int i = 0; i < 25000; ++i) html += "<div><b><i><font>";
  EXPECT_EQ(Parse("Content-Type: text/html\n\n<p>top</p>" + html + "deep text\n").body,
            "top\r\ndeep text");
}

TEST(HtmlBody, CannotMakeTheReaderOpenFiles) {
  // A stylesheet or image on a FIFO or a device would block a reader that opens it.
  TempHome home;
  const std::string file = home.Write("style.css", "p { color: red }");
  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(inotify_add_watch(watch, file.c_str(), IN_OPEN), 0);
  EXPECT_EQ(Parse("Content-Type: text/html\n\n<html><head><link rel=\"stylesheet\" href=\"file://" +
                  file + "\"></head><body><p>text</p><img src=\"" + file + "\"></body></html>\n")
                .body,
            "text");
  char event[sizeof(inotify_event) + 256];
  EXPECT_LT(read(watch, event, sizeof event), 0) << "the HTML reader opened " << file;
  close(watch);
}

// RTF bodies, as personal folder files keep them: the text a reader sees.
TEST(RtfBody, GivesTheTextAReaderSees) {
  const std::pair<const char*, const char*> kCases[] = {
      {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}}\f0 Gr\'fc\'dfe\par Zeile\tab zwei})",
       "Gr\u00fc\u00dfe\nZeile\tzwei"},
      {R"({\rtf1\ansicpg1251 \'cf\'f0\'e8\line \u8364?uro {\*\generator x;}{\pict 0a0b}})",
       "\u041f\u0440\u0438\n\u20acuro "},
      {R"({\rtf1 cut off \'f)", "cut off "},
      {"", ""},
  };
  for (const auto& [rtf, text] : kCases) EXPECT_EQ(mail::RtfToPlainText(rtf), text) << rtf;
}
