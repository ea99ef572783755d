// Where the export may be written, and what it leaves there: a path that cannot or must not take
// it, a disk that fills up. (What a folder's messages give, and folders that
// cannot be read, are the cases of ExportedFolderTest.)

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "ExportTesting.h"

using exporter::Outcome;
namespace fs = std::filesystem;

namespace {

using ExportFault = exporttest::ExportTest;

}  // namespace

// Places that cannot be opened (tests run as root, which ignores file modes, so a path below a
// plain file stands for one without write access), what is not a regular file (a FIFO would
// block), and the mail itself by any path that leads there, relative ones starting at the home
// directory. Nothing is walked or written.
TEST_F(ExportFault, APathThatCannotOrMustNotTakeTheExportIsRefusedBeforeAnythingIsWalked) {
  const std::string mbox = dir / "Mail" / "inbox", maildir = dir / "Maildir";
  const std::string message = maildir + "/cur/1.host:2,S", plain = dir / "plain";
  fs::create_directories(maildir + "/cur");
  fs::create_directories(dir / "Mail");
  fs::create_directories(dir / "elsewhere");
  for (const std::string& file : {mbox, message, plain}) std::ofstream(file) << "Subject: kept\n";
  fs::create_symlink(mbox, dir / "link-to-inbox");
  fs::create_directory_symlink(maildir, dir / "elsewhere" / "md");
  mkfifo((dir / "fifo").c_str(), 0644);
  folder->AddMessage("One", "x");
  const std::string inMail = "It lies inside " + (dir / "Mail").string();
  const std::pair<std::string, std::string> cases[] = {
      {dir / "no-such-directory" / "messages.txt", "No such file or directory"},
      {"", "No such file or directory"},
      {plain + "/messages.txt", "Not a directory"},
      {dir, "Is a directory"},
      {maildir, "Is a directory"},
      {dir / "fifo", "It is not a regular file."},
      {mbox, inMail},
      {dir / "Mail" / ".." / "Mail" / "inbox", inMail},
      {dir / "link-to-inbox", inMail},
      {"Mail/../Mail/inbox", inMail},
      {"~/link-to-inbox", inMail},
      {dir / "elsewhere" / "md" / "cur" / "1.host:2,S", "It lies inside " + maildir},
      {dir / "elsewhere" / "md" / "new-file", "It lies inside " + maildir},
      {mbox, "It is " + mbox},  // named as a place of mail itself
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    view.path = path;
    view.mailLocations = {dir / "Mail", maildir};
    if (reason.starts_with("It is ")) view.mailLocations = {mbox};
    view.countCaption = view.subjectCaption = view.idCaption = "stale";
    const Outcome outcome = Export();
    EXPECT_EQ(outcome.status, Outcome::Status::OpenFailed);
    const std::string typed = path.starts_with("~/") ? path.substr(2) : path;
    EXPECT_EQ(outcome.path, path.empty() ? path : (dir / typed).lexically_normal().string());
    EXPECT_TRUE(outcome.reason.starts_with(reason)) << outcome.reason;
    EXPECT_EQ(outcome.records, 0);
    EXPECT_EQ(view.Shows(), "Messages | None | None | 0/100");
  }
  EXPECT_FALSE(log->Has("Inbox.messages.Begin")) << "nothing is walked";
  EXPECT_TRUE(view.atEvents.empty());
  for (const std::string& file : {mbox, message, plain}) EXPECT_EQ(Bytes(file), "Subject: kept\n");
}

// A disk that fills up part-way: a 64 KiB tmpfs where mounting is permitted, otherwise a 64 KiB
// limit on the size of the files this process writes. Either way a write fails long after the
// first records went out; the file the user had stays as it was.
TEST_F(ExportFault, ADiskFillingUpStopsTheWalkAndLeavesTheOldFileAsItWas) {
  const fs::path small = dir / "small";
  fs::create_directories(small);
  const bool mounted = mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0;
  view.path = small / "messages.txt";
  std::ofstream(view.path) << "an older export";
  for (int i = 1; i <= 3000; ++i) folder->AddMessage(std::to_string(i), std::string(1000, 'x'));
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  if (!mounted) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  const Outcome outcome = Export();
  setrlimit(RLIMIT_FSIZE, &saved);
  const std::string bytes = FileBytes();
  const auto files = std::distance(fs::directory_iterator(small), {});
  if (mounted) umount2(small.c_str(), MNT_DETACH);

  EXPECT_EQ(outcome.status, Outcome::Status::WriteFailed);
  EXPECT_EQ(outcome.reason, mounted ? "No space left on device" : "File too large");
  EXPECT_TRUE(outcome.hadFile);
  EXPECT_EQ(bytes, "an older export");
  EXPECT_EQ(files, 1) << "the new file is gone";
  EXPECT_FALSE(log->Has("Inbox#3000.BodyText")) << "the export stops at the failure";
  EXPECT_TRUE(view.Shows().starts_with("Messages | None | None |"));
}
