// The export file, byte for byte: one record per message, in either form, nothing else.

#include "ExportTesting.h"

using exporttest::TransportRecord;

namespace {

class RecordForm : public exporttest::ExportTest {};

const std::string kBlockTail =
    "From: Ann <ann@example.org>\r\nTo: Bob <bob@example.org>\r\nSubject: Lunch\r\n"
    "Date: 2024-05-01 12:30:00\r\n\r\n";

}  // namespace

TEST_F(RecordForm, EmptyFolderGivesAnEmptyFile) {
  EXPECT_EQ(Export().records, 0);
  ASSERT_TRUE(std::filesystem::exists(view.path));
  EXPECT_EQ(FileBytes(), "");
}

TEST_F(RecordForm, TransportHeaderRecordsFollowEachOtherWithNothingAround) {
  folder->AddMessage("One", "Body one");
  folder->AddMessage("Two", "Line 1\r\nLine 2\r\n");
  folder->AddMessage("Three", "");
  EXPECT_EQ(Export().records, 3);
  EXPECT_EQ(FileBytes(),
            "Received: from relay by mx\r\nSubject: One\r\nBody one\r\n\f\r\n"
            "Received: from relay by mx\r\nSubject: Two\r\nLine 1\r\nLine 2\r\n\r\n\f\r\n"
            "Received: from relay by mx\r\nSubject: Three\r\n\r\n\f\r\n");
}

TEST_F(RecordForm, HeaderBlockSaysNoneForAMissingIdAndNothingForAnEmptyOne) {
  Headerless("<first@example.org>", "Hi");
  Headerless("", "Second").messageId.reset();  // no Message-ID at all
  Headerless("", "Third");                     // a Message-ID that reads as empty text
  EXPECT_EQ(Export().records, 3);
  EXPECT_EQ(FileBytes(), "Message-ID: <first@example.org>\r\n" + kBlockTail + "Hi\r\n\f\r\n" +
                             "Message-ID: None\r\n" + kBlockTail + "Second\r\n\f\r\n" +
                             "Message-ID: \r\n" + kBlockTail + "Third\r\n\f\r\n");
}

TEST_F(RecordForm, HeaderBlockLeavesOutTheWholeLineOfAValueItCannotFetch) {
  Headerless("<a@example.org>", "Body").sender.reset();
  scripted::ScriptedMessage& second = Headerless("<b@example.org>", "Body");
  second.subject = "";
  second.Fail("MessageDate");
  EXPECT_EQ(Export().records, 2);
  EXPECT_EQ(FileBytes(),
            "Message-ID: <a@example.org>\r\nTo: Bob <bob@example.org>\r\nSubject: Lunch\r\n"
            "Date: 2024-05-01 12:30:00\r\n\r\nBody\r\n\f\r\n"
            "Message-ID: <b@example.org>\r\nFrom: Ann <ann@example.org>\r\n"
            "To: Bob <bob@example.org>\r\nSubject: \r\n\r\nBody\r\n\f\r\n");
}

TEST_F(RecordForm, UnreadableHeaderTextGivesAHeaderBlockWhateverTheMessageBeforeHad) {
  folder->AddMessage("One", "Body one");
  scripted::ScriptedMessage& second = Headerless("<b@example.org>", "lost");
  second.headers = "Received: by mx";
  second.Fail(scripted::kHeadersOp);
  second.Fail("BodyText");
  Export();
  EXPECT_EQ(FileBytes(), TransportRecord("One", "Body one") + "Message-ID: <b@example.org>\r\n" +
                             kBlockTail + "\r\n\f\r\n");
}

TEST_F(RecordForm, HeaderTextOfBlanksAndLineBreaksStillCountsAsHeaders) {
  folder->AddMessage("", "Body").headers = "\r\n";
  Export();
  EXPECT_EQ(FileBytes(), "\r\n\r\nBody\r\n\f\r\n");
}

TEST_F(RecordForm, ABodyWithAFormFeedLineIsWrittenUnchanged) {
  folder->AddMessage("One", "Before\r\n\f\r\nAfter");
  Export();
  EXPECT_EQ(FileBytes(), TransportRecord("One", "Before\r\n\f\r\nAfter"));
}

TEST_F(RecordForm, AnExistingFileIsReplacedEvenByAnEmptyExport) {
  std::ofstream(view.path) << "an older export, much longer than the new one\r\n";
  Export();
  EXPECT_EQ(FileBytes(), "");
  folder->AddMessage("One", "x");
  Export();
  EXPECT_EQ(FileBytes(), TransportRecord("One", "x"));
}

TEST_F(RecordForm, TwoExportsInARowLeaveOnlyTheSecondsRecords) {
  folder->AddMessage("One", "first export");
  folder->AddMessage("Two", "first export");
  Export();
  folder = std::make_shared<scripted::ScriptedFolder>("Sent", "Sent", log);
  folder->AddMessage("Three", "second export");
  EXPECT_EQ(Export().records, 1);
  EXPECT_EQ(FileBytes(), TransportRecord("Three", "second export"));
}

TEST_F(RecordForm, EachMessageIsReadInOrderAndOnlyOnce) {
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
