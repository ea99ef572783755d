// What the window shows while an export runs and after it, and how Cancel ends it.

#include "ExportTesting.h"

using exporttest::TransportRecord;

namespace {

using Progress = exporttest::ExportTest;

// Four messages, "1" to "4".
class Cancel : public exporttest::ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    for (const char* subject : {"1", "2", "3", "4"}) folder->AddMessage(subject, "x");
  }
  static std::string Records(int n) {
    std::string bytes;
    for (int i = 1; i <= n; ++i) bytes += TransportRecord(std::to_string(i), "x");
    return bytes;
  }
};

}  // namespace

TEST_F(Progress, EachMessageIsShownWhileItsRecordIsAboutToBeWrittenThenTheIdleCaptions) {
  folder->AddMessage("One", "x").messageId = "<1@example.org>";
  folder->AddMessage("Two", "x");  // no Message-ID: the caption must not keep the first one's
  view.max = 7;
  view.value = 5;  // left by an earlier export
  Export();
  EXPECT_EQ(view.atEvents,
            (std::vector<std::string>{"2 | One | <1@example.org> | 1/2", "2 | Two | None | 2/2"}));
  EXPECT_EQ(view.Shows(), "Messages | None | None | 2/2");
}

TEST_F(Progress, AnEmptyFolderEmptiesTheBarShowsTheIdleCaptionsAndProcessesNoEvents) {
  view.max = 7;
  Export();
  EXPECT_TRUE(view.atEvents.empty());
  EXPECT_EQ(view.Shows(), "Messages | None | None | 0/0");
}

TEST_F(Cancel, HandledDuringMessageKEndsTheFileAfterRecordK) {
  view.onEvents = [&] { view.continueExport = view.atEvents.size() != 2; };
  const exporter::Outcome outcome = Export();
  EXPECT_EQ(FileBytes(), Records(2));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.records, 2);
  EXPECT_EQ(log->CountOf("Inbox.messages.Next"), 2) << "no further message is fetched";
  EXPECT_EQ(view.Shows(), "Messages | None | None | 2/4");
}

TEST_F(Cancel, ClickedWhileRecordKIsWrittenIsHandledAtTheNextMessage) {
  folder->message(1).headers.reset();  // the header block reads the store while it is written
  folder->message(1).On("Sender", [&] { view.onEvents = [&] { view.continueExport = false; }; });
  EXPECT_EQ(Export().records, 3);
  EXPECT_EQ(FileBytes(), Records(1) + "Message-ID: None\r\nSubject: 2\r\n\r\nx\r\n\f\r\n" +
                             TransportRecord("3", "x"));
  EXPECT_EQ(log->CountOf("Inbox.messages.Next"), 3);
}

TEST_F(Cancel, AFlagAlreadyClearStillLetsTheFirstRecordThrough) {
  view.continueExport = false;
  EXPECT_EQ(Export().records, 1);
  EXPECT_EQ(FileBytes(), Records(1));
}
