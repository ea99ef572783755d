// The export file, byte for byte: one record per message, in either form, nothing else. Each case
// replaces an older export file.

#include "ExportTesting.h"

using exporttest::ExportTest;
using exporttest::kBlockTail;
using exporttest::TransportRecord;

namespace {

struct Case {
  const char* name;
  std::function<void(ExportTest&)> build;
  std::string bytes;
  long unread = 0;  // messages that could not be read in full
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// clang-format off
const Case kCases[] = {
  {"AnEmptyFolderGivesAnEmptyFile", [](ExportTest&) {}, ""},
  {"TransportHeaderRecordsFollowEachOtherWithNothingAround", [](ExportTest& t) {
     t.folder->AddMessage("One", "Body one");
     t.folder->AddMessage("Two", "Line 1\r\nLine 2\r\n");
     t.folder->AddMessage("Three", "");
   },
   "Received: from relay by mx\r\nSubject: One\r\nBody one\r\n\f\r\n"
   "Received: from relay by mx\r\nSubject: Two\r\nLine 1\r\nLine 2\r\n\r\n\f\r\n"
   "Received: from relay by mx\r\nSubject: Three\r\n\r\n\f\r\n"},
  {"TheHeaderBlockSaysNoneForAMissingIdAndNothingForAnEmptyOne", [](ExportTest& t) {
     t.Headerless("<first@example.org>", "Hi");
     t.Headerless("", "Second").messageId.reset();
     t.Headerless("", "Third");
   },
   "Message-ID: <first@example.org>\r\n" + kBlockTail + "Hi\r\n\f\r\n" +
   "Message-ID: None\r\n" + kBlockTail + "Second\r\n\f\r\n" +
   "Message-ID: \r\n" + kBlockTail + "Third\r\n\f\r\n"},
  {"TheHeaderBlockLeavesOutTheWholeLineOfAValueItLacksOrCannotRead", [](ExportTest& t) {
     t.Headerless("<a@example.org>", "Body").sender.reset();
     t.Headerless("<b@example.org>", "Body").subject = "";
     t.folder->message(1).Fail("MessageDate");
   },
   "Message-ID: <a@example.org>\r\nTo: Bob <bob@example.org>\r\nSubject: Lunch\r\n"
   "Date: 2024-05-01 12:30:00\r\n\r\nBody\r\n\f\r\n"
   "Message-ID: <b@example.org>\r\nFrom: Ann <ann@example.org>\r\n"
   "To: Bob <bob@example.org>\r\nSubject: \r\n\r\nBody\r\n\f\r\n", 1},
  {"UnreadableHeaderTextGivesAHeaderBlockWhateverTheMessageBeforeHad", [](ExportTest& t) {
     t.folder->AddMessage("One", "Body one");
     scripted::ScriptedMessage& second = t.Headerless("<b@example.org>", "lost");
     second.headers = "Received: by mx";
     second.Fail(scripted::kHeadersOp);
     second.Fail("BodyText");
   },
   TransportRecord("One", "Body one") + "Message-ID: <b@example.org>\r\n" + kBlockTail +
   "\r\n\f\r\n", 1},
  {"HeaderTextOfBlanksAndLineBreaksStillCountsAsHeaders",
   [](ExportTest& t) { t.folder->AddMessage("", "Body").headers = "\r\n"; },
   "\r\n\r\nBody\r\n\f\r\n"},
  {"NoTextOfAMessageMakesALineThatEndsARecord", [](ExportTest& t) {
     // Form-feed lines in the header text and the body are quoted with one more ">".
     t.folder->AddMessage("One", "A\r\n\f\r\n>\f\n\f\rB\f\r\n\f\f\r\n\f").headers =
         "Received: x\r\n\f\r\nX-Note: y";
     // No value of the header block breaks a line: "\r\n\f\r\nMessage-ID: <x>" forges nothing.
     t.Headerless("<id\r\n\f>", "b").subject = "evil\r\n\f\r\nMessage-ID: <x>\t\x7f\xc2\x9b.";
     t.folder->message(1).sender = "Ann\n\f <ann@example.org>";
   },
   "Received: x\r\n>\f\r\nX-Note: y\r\nA\r\n>\f\r\n>>\f\n>\f\rB\f\r\n\f\f\r\n>\f\r\n\f\r\n"
   "Message-ID: <id   >\r\nFrom: Ann   <ann@example.org>\r\nTo: Bob <bob@example.org>\r\n"
   "Subject: evil     Message-ID: <x>   .\r\nDate: 2024-05-01 12:30:00\r\n\r\nb\r\n\f\r\n"},
  {"ControlCharactersOfTheTextAreWrittenAsSpacesButTabsAndLineBreaks", [](ExportTest& t) {
     t.folder->AddMessage("One", std::string("a\0b\x1b[1m\a\x7f\tc\r\nd", 14)).headers =
         std::string("Received: \0x\x1b", 13);
   },
   "Received:  x \r\na b [1m \x7f\tc\r\nd\r\n\f\r\n"},
  {"ASecondExportLeavesOnlyItsOwnRecords", [](ExportTest& t) {
     t.folder->AddMessage("One", "first export");
     t.folder->AddMessage("Two", "first export");
     t.Export();
     t.folder = std::make_shared<scripted::ScriptedFolder>("Sent", "Sent", t.log);
     t.folder->AddMessage("Three", "second export");
   },
   TransportRecord("Three", "second export")},
};
// clang-format on

class RecordForm : public ExportTest, public testing::WithParamInterface<Case> {};
using Reading = ExportTest;

}  // namespace

TEST_P(RecordForm, IsWrittenByteForByte) {
  std::ofstream(view.path) << "an older export, much longer than the new one\r\n";
  GetParam().build(*this);
  const exporter::Outcome outcome = Export();
  EXPECT_TRUE(std::filesystem::exists(view.path));
  EXPECT_EQ(FileBytes(), GetParam().bytes);
  EXPECT_EQ(outcome.records, static_cast<long>(folder->messages->elements.size()));
  EXPECT_EQ(outcome.unreadCount, GetParam().unread);
  EXPECT_FALSE(outcome.failed());
}

INSTANTIATE_TEST_SUITE_P(Export, RecordForm, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reading, EachMessagesValuesAreReadOnceForItsRecordInTheirOrder) {
  folder->AddMessage("One", "x");
  Headerless("<b@example.org>", "y");
  Export();
  EXPECT_EQ(
      log->calls,
      (std::vector<std::string>{
          "Inbox.Messages", "Inbox.messages.Count", "Inbox.messages.Count", "Inbox.messages.Begin",
          "Inbox.messages.Next", "Inbox#1.FieldValue(0x007D001E)", "Inbox#1.BodyText",
          "Inbox#1.Subject", "Inbox#1.FieldValue(0x1035001E)", "Inbox.messages.Next",
          "Inbox#2.FieldValue(0x007D001E)", "Inbox#2.BodyText", "Inbox#2.Subject",
          "Inbox#2.FieldValue(0x1035001E)", "Inbox#2.Sender", "Inbox#2.Recipients",
          "Inbox#2.Subject", "Inbox#2.MessageDate", "Inbox.messages.Next"}));
}
