// Faults the export reports instead of hiding: a file it cannot open or write, messages it
// cannot read, a folder it cannot list.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include "ExportTesting.h"

using exporter::Outcome;
using exporttest::TransportRecord;

namespace {

class OpenFailure : public exporttest::ExportTest {};
class WriteFailure : public exporttest::ExportTest {};
class UnreadableMessage : public exporttest::ExportTest {};
class Listing : public exporttest::ExportTest {};

}  // namespace

// Tests run as root, which ignores file modes; a path below a plain file cannot be created by
// anyone and stands for a place without write access.
TEST_F(OpenFailure, NothingIsWalkedTheLabelsAreResetAndTheReasonIsGiven) {
  folder->AddMessage("One", "x");
  std::ofstream(dir / "plain") << "not a directory";
  const std::pair<std::string, std::string> cases[] = {
      {(dir / "no-such-directory" / "messages.txt").string(), "No such file or directory"},
      {"", "No such file or directory"},
      {(dir / "plain" / "messages.txt").string(), "Not a directory"},
      {dir.string(), "Is a directory"},
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    view.path = path;
    view.countCaption = view.subjectCaption = view.idCaption = "stale";
    const Outcome outcome = Export();
    EXPECT_EQ(outcome.status, Outcome::Status::OpenFailed);
    EXPECT_EQ(outcome.path, path);
    EXPECT_EQ(outcome.reason, reason);
    EXPECT_EQ(outcome.records, 0);
    EXPECT_EQ(view.Shows(), "Messages | None | None | 0/100");
  }
  EXPECT_FALSE(log->Has("Inbox.messages.Begin")) << "nothing is walked";
  EXPECT_TRUE(view.atEvents.empty());
  EXPECT_EQ(Bytes(dir / "plain"), "not a directory");
}

TEST_F(WriteFailure, AFullDeviceReportsNoRecordWritten) {
  folder->AddMessage("One", "x");
  folder->AddMessage("Two", "x");
  view.path = "/dev/full";
  const Outcome outcome = Export();
  EXPECT_EQ(outcome.status, Outcome::Status::WriteFailed);
  EXPECT_EQ(outcome.reason, "No space left on device");
  EXPECT_EQ(outcome.records, 0);
  EXPECT_EQ(view.Shows(), "Messages | None | None | 2/2");
}

// A disk that fills up part-way: a 64 KiB tmpfs where mounting is permitted, otherwise a 64 KiB
// limit on the size of the files this process writes. Either way a write fails in the middle of
// a record, long after the first records went out.
TEST_F(WriteFailure, ADiskFillingUpEndsTheFileAfterTheLastCompleteRecordAndStopsTheWalk) {
  constexpr std::size_t kRoom = 64 * 1024;
  const std::filesystem::path small = dir / "small";
  std::filesystem::create_directories(small);
  const bool mounted = mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0;
  view.path = (small / "messages.txt").string();
  const std::string body(1000, 'x');
  for (int i = 1; i <= 3000; ++i) folder->AddMessage(std::to_string(i), body);

  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  if (!mounted) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = kRoom;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  const Outcome outcome = Export();
  setrlimit(RLIMIT_FSIZE, &saved);
  const std::string bytes = FileBytes();
  if (mounted) umount2(small.c_str(), MNT_DETACH);

  EXPECT_EQ(outcome.status, Outcome::Status::WriteFailed);
  EXPECT_EQ(outcome.reason, mounted ? "No space left on device" : "File too large");
  ASSERT_GT(outcome.records, 0);
  std::string complete;
  for (long i = 1; i <= outcome.records; ++i) complete += TransportRecord(std::to_string(i), body);
  EXPECT_EQ(bytes, complete);
  EXPECT_GT(complete.size() + TransportRecord(std::to_string(outcome.records + 1), body).size(),
            kRoom)
      << "only the record that did not fit was cut off";
  EXPECT_FALSE(Read(3000, "BodyText")) << "the export stops at the failure";
}

TEST_F(UnreadableMessage, ItsRecordIsWrittenFromWhatCouldBeReadAndItIsNamed) {
  folder->AddMessage("One", "x");
  folder->AddMessage("Two", "lost")
      .Fail("BodyText", store::Error::Unreadable("Input/output error"));
  folder->AddMessage("Three", "x");
  const Outcome outcome = Export();
  EXPECT_EQ(FileBytes(), TransportRecord("One", "x") + TransportRecord("Two", "") +
                             TransportRecord("Three", "x"));
  EXPECT_EQ(outcome.status, Outcome::Status::Written);
  EXPECT_EQ(outcome.records, 3);
  EXPECT_EQ(outcome.unreadCount, 1);
  ASSERT_EQ(outcome.firstUnread.size(), 1u);
  EXPECT_EQ(outcome.firstUnread[0].label, "Two");
  EXPECT_EQ(outcome.firstUnread[0].reason, "Input/output error");
}

TEST_F(UnreadableMessage, AValueTheMessageLacksIsNoFault) {
  Headerless("", "x").messageId.reset();
  folder->message(0).sender.reset();
  EXPECT_EQ(Export().unreadCount, 0);
}

TEST_F(UnreadableMessage, TheFirstFiveAreNamedBySubjectElseMessageIdElsePosition) {
  folder->AddMessage("One", "x").Fail("BodyText");
  scripted::ScriptedMessage& second = folder->AddMessage("Two", "x");
  second.Fail("Subject");
  second.messageId = "<2@example.org>";
  folder->AddMessage("", "x").Fail(scripted::kHeadersOp);
  Headerless("<4@example.org>", "x").Fail("Sender");  // fails while the header block is written
  for (const char* subject : {"Five", "Six", "Seven"})
    folder->AddMessage(subject, "x").Fail("BodyText");
  const Outcome outcome = Export();
  EXPECT_EQ(outcome.records, 7);
  EXPECT_EQ(outcome.unreadCount, 7);
  std::vector<std::string> labels;
  for (const auto& unread : outcome.firstUnread) labels.push_back(unread.label);
  EXPECT_EQ(labels,
            (std::vector<std::string>{"One", "<2@example.org>", "message 3", "Lunch", "Five"}));
}

TEST_F(Listing, AFolderWhoseMessagesCannotBeListedGivesAnEmptyFileAndSaysWhy) {
  folder->AddMessage("One", "x");
  folder->Fail("Messages", store::Error::Unreadable("Permission denied"));
  std::ofstream(view.path) << "an older export";
  view.countCaption = view.subjectCaption = view.idCaption = "stale";
  const Outcome outcome = Export();
  EXPECT_EQ(FileBytes(), "");
  EXPECT_EQ(outcome.status, Outcome::Status::Written);
  EXPECT_EQ(outcome.walkFailure, "Permission denied");
  EXPECT_TRUE(outcome.failed());
  EXPECT_EQ(view.Shows(), "Messages | None | None | 0/100");
}

TEST_F(Listing, NoFolderOrNoMessageListIsReportedLikeAnyListingFailure) {
  folder->ReturnNull("Messages");
  EXPECT_EQ(Export().walkFailure, "the folder gave no list of messages");
  folder.reset();
  EXPECT_EQ(Export().walkFailure, "no folder was given");
  EXPECT_EQ(FileBytes(), "");
}

TEST_F(Listing, AWalkThatCannotAdvanceKeepsTheRecordsBeforeItAndSaysWhy) {
  for (const char* subject : {"One", "Two", "Three"}) folder->AddMessage(subject, "x");
  folder->messages->failAdvanceAt = 2;
  const Outcome outcome = Export();
  EXPECT_EQ(FileBytes(), TransportRecord("One", "x") + TransportRecord("Two", "x"));
  EXPECT_EQ(outcome.records, 2);
  EXPECT_EQ(outcome.walkFailure, "scripted failure to advance");
}
