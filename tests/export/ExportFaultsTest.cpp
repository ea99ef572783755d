// Faults the export reports instead of hiding: a file it cannot open or write, messages it
// cannot read, a folder it cannot list.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "TempHome.h"

#include "ExportTesting.h"

using exporter::Outcome;
using exporttest::TransportRecord;

namespace {

using ExportFault = exporttest::ExportTest;

}  // namespace

// Tests run as root, which ignores file modes; a path below a plain file cannot be created by
// anyone and stands for a place without write access.
TEST_F(ExportFault, AFileThatCannotBeOpenedIsNamedWithTheReasonNothingIsWalkedAndCaptionsReset) {
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

// A disk that fills up part-way: a 64 KiB tmpfs where mounting is permitted, otherwise a 64 KiB
// limit on the size of the files this process writes. Either way a write fails long after the
// first records went out; the file the user had stays as it was.
TEST_F(ExportFault, ADiskFillingUpStopsTheWalkAndLeavesTheOldFileAsItWas) {
  constexpr std::size_t kRoom = 64 * 1024;
  const std::filesystem::path small = dir / "small";
  std::filesystem::create_directories(small);
  const bool mounted = mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0;
  view.path = (small / "messages.txt").string();
  std::ofstream(view.path) << "an older export";
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
  const auto files = std::distance(std::filesystem::directory_iterator(small), {});
  if (mounted) umount2(small.c_str(), MNT_DETACH);

  EXPECT_EQ(outcome.status, Outcome::Status::WriteFailed);
  EXPECT_EQ(outcome.reason, mounted ? "No space left on device" : "File too large");
  EXPECT_TRUE(outcome.hadFile);
  EXPECT_EQ(bytes, "an older export");
  EXPECT_EQ(files, 1) << "the new file is gone";
  EXPECT_FALSE(log->Has("Inbox#3000.BodyText")) << "the export stops at the failure";
  EXPECT_TRUE(view.Shows().starts_with("Messages | None | None |"));
}

// Places that must never take an export: what is not a regular file, and the mail itself, by
// any path that leads there. A relative path is taken from the home directory.
TEST_F(ExportFault, APathThatWouldDestroyMailOrBlockIsRefusedBeforeAnythingIsWritten) {
  namespace fs = std::filesystem;
  const std::string mbox = (dir / "Mail" / "inbox").string(), maildir = (dir / "Maildir").string();
  fs::create_directories(dir / "Mail");
  fs::create_directories(fs::path(maildir) / "cur");
  std::ofstream(mbox) << "From a@b Mon Jan  1 00:00:00 2024\nSubject: kept\n\nmail\n";
  const std::string message = maildir + "/cur/1.host:2,S";
  std::ofstream(message) << "Subject: kept\n\nmail\n";
  fs::create_symlink(mbox, dir / "link-to-inbox");
  fs::create_directories(dir / "elsewhere");
  fs::create_directory_symlink(maildir, dir / "elsewhere" / "md");
  mkfifo((dir / "fifo").c_str(), 0644);
  view.mailLocations = {dir / "Mail", maildir};
  folder->AddMessage("One", "x");
  const std::string mine = "It lies inside " + (dir / "Mail").string(), itsMail = "It is ";
  const std::pair<std::string, std::string> cases[] = {
      {mbox, mine},
      {(dir / "Mail" / ".." / "Mail" / "inbox").string(), mine},
      {(dir / "link-to-inbox").string(), mine},
      {(dir / "elsewhere" / "md" / "cur" / "1.host:2,S").string(), "It lies inside " + maildir},
      {(dir / "elsewhere" / "md" / "new-file").string(), "It lies inside " + maildir},
      {maildir, "Is a directory"},
      {(dir / "fifo").string(), "It is not a regular file."},
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    view.path = path;
    const Outcome outcome = Export();
    EXPECT_EQ(outcome.status, Outcome::Status::OpenFailed);
    EXPECT_TRUE(outcome.reason.starts_with(reason)) << outcome.reason;
  }
  view.mailLocations = {mbox};
  view.path = mbox;
  EXPECT_TRUE(Export().reason.starts_with(itsMail + mbox));
  EXPECT_EQ(Bytes(mbox), "From a@b Mon Jan  1 00:00:00 2024\nSubject: kept\n\nmail\n");
  EXPECT_EQ(Bytes(message), "Subject: kept\n\nmail\n");
  EXPECT_TRUE(view.atEvents.empty()) << "nothing was walked";

  TempHome home;
  for (const std::string typed : {"out.txt", "~/out.txt"}) {
    std::filesystem::remove(home / "out.txt");
    view.path = typed;
    const Outcome outcome = Export();
    EXPECT_EQ(outcome.path, home / "out.txt");
    EXPECT_EQ(Bytes(home / "out.txt"), TransportRecord("One", "x"));
  }
}

// A cancelled export is the result the user asked for; the file keeps its permissions.
TEST_F(ExportFault, AnExportThatEndsReplacesTheOldFileWhole) {
  std::ofstream(view.path) << "an older export";
  std::filesystem::permissions(view.path, std::filesystem::perms(0640));
  for (const char* subject : {"One", "Two"}) folder->AddMessage(subject, "x");
  view.continueExport = false;
  EXPECT_EQ(Export().records, 1);
  EXPECT_EQ(FileBytes(), TransportRecord("One", "x"));
  EXPECT_EQ(std::filesystem::status(view.path).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(ExportFault, UnreadableMessagesAreWrittenFromWhatCouldBeReadAndTheFirstFiveNamed) {
  folder->AddMessage("One", "x");
  folder->AddMessage("Two", "lost")
      .Fail("BodyText", store::Error::Unreadable("Input/output error"));
  folder->AddMessage("Three", "x").Fail("Subject");  // named by its Message-ID instead
  folder->message(2).messageId = "<3@example.org>";
  folder->AddMessage("", "x").Fail(scripted::kHeadersOp);  // named by its position
  Headerless("<5@example.org>", "x").Fail("Sender");  // fails while the header block is written
  for (const char* subject : {"Six", "Seven", "Eight"})
    folder->AddMessage(subject, "x").Fail("BodyText");
  const Outcome outcome = Export();
  const std::string start = TransportRecord("One", "x") + TransportRecord("Two", "");
  EXPECT_EQ(FileBytes().substr(0, start.size()), start);
  EXPECT_EQ(outcome.records, 8);
  EXPECT_FALSE(outcome.failed());
  EXPECT_EQ(outcome.unreadCount, 7);
  std::vector<std::string> named;
  for (const auto& unread : outcome.firstUnread)
    named.push_back(unread.label + ": " + unread.reason);
  EXPECT_EQ(named, (std::vector<std::string>{"Two: Input/output error",
                                             "<3@example.org>: scripted failure",
                                             "message 4: scripted failure",
                                             "Lunch: scripted failure", "Six: scripted failure"}));
}

TEST_F(ExportFault, AFolderThatCannotBeWalkedToItsEndLeavesTheOldFileAndSaysWhy) {
  const std::tuple<std::function<void()>, std::string, long> cases[] = {
      {[&] { folder->Fail("Messages", store::Error::Unreadable("Permission denied")); },
       "Permission denied", 0},
      {[&] { folder->ReturnNull("Messages"); }, "the folder gave no list of messages", 0},
      {[&] { folder.reset(); }, "no folder was given", 0},
      {[&] { folder->messages->failAdvanceAt = 2; }, "scripted failure to advance", 2},
  };
  for (const auto& [fault, reason, kept] : cases) {
    SCOPED_TRACE(reason);
    folder = std::make_shared<scripted::ScriptedFolder>("Inbox", "Inbox", log);
    for (const char* subject : {"One", "Two", "Three"}) folder->AddMessage(subject, "x");
    fault();
    std::ofstream(view.path) << "an older export";
    view.countCaption = view.subjectCaption = view.idCaption = "stale";
    const Outcome outcome = Export();
    EXPECT_EQ(FileBytes(), "an older export");
    EXPECT_EQ(log->CountOf("Inbox#" + std::to_string(kept) + ".BodyText"), kept ? 1 : 0);
    EXPECT_EQ(outcome.walkFailure.value_or("<none>"), reason);
    EXPECT_TRUE(outcome.failed());
    EXPECT_TRUE(view.Shows().starts_with("Messages | None | None |"));
  }
}
