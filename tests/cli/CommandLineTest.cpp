// The program run from the command line, as a script would run it: without a window system (no
// DISPLAY, and a Qt platform that does not exist, which a window would need), in a home of the
// test's own.

#include <fnmatch.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "DataFiles.h"
#include "ProgramRun.h"
#include "TempHome.h"

namespace fs = std::filesystem;

namespace {

std::string Message(const std::string& subject) {
  return "From: Ann <ann@example.org>\nSubject: " + subject +
         "\nDate: Mon, 4 Mar 2024 10:00:00 +0000\n\nText.\n";
}

// The subjects of an export file's records, one a line.
std::string Subjects(const std::string& file) {
  std::string subjects, line;
  std::istringstream in(FileBytes(file));
  while (std::getline(in, line))
    if (line.starts_with("Subject: ")) subjects += line.substr(9, line.size() - 10) + "\n";
  return subjects;
}

// A Maildir "Maildir" with messages "one" and "two" in its Inbox.
void TwoMessages(TempHome& home) {
  home.Write("Maildir/cur/1700000001.1.host:2,S", Message("one"));
  home.Write("Maildir/cur/1700000002.2.host:2,S", Message("two"));
}

// One run of the program: why, what the home holds, the arguments, the exit status, and what
// standard error says, as a pattern (* any text).
struct Case {
  const char* name;
  std::function<void(TempHome&)> home;
  std::vector<std::string> args;
  int status;
  const char* err;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// clang-format off
const Case kCases[] = {
  {"ACompleteExport", TwoMessages, {"--export", "Maildir/Inbox", "-o", "out.txt"}, 0,
   "orvane: exporting Maildir/Inbox to out.txt\norvane: 2 records written to */out.txt\n"},
  {"Help", nullptr, {"--help"}, 0, ""},
  {"Version", nullptr, {"--version"}, 0, ""},
  {"AnUnknownOption", nullptr, {"--frobnicate"}, 2, "orvane: unknown option --frobnicate\n*"},
  {"AnExportWithoutAFile", TwoMessages, {"--export", "Maildir/Inbox"}, 2,
   "orvane: --export needs --output FILE\n*"},
  {"NoSuchStore", TwoMessages, {"--export", "Nowhere/Inbox", "-o", "out.txt"}, 2,
   "orvane: no store named \"Nowhere\"; there is Maildir\n*"},
  {"NoSuchFolderWithTheNearMatches", TwoMessages, {"--export", "Maildir/in", "-o", "out.txt"}, 2,
   "orvane: no folder named \"in\" in Maildir; there is Maildir/Inbox\n*"},
  {"AFileThatCannotBeWritten", TwoMessages, {"--export", "Maildir/Inbox", "-o", "no/out.txt"},
   1, "*Export Failed*/no/out.txt\nNo such file or directory\n"},
  {"AFileInsideTheMail", TwoMessages, {"--export", "Maildir/Inbox", "-o", "Maildir/cur/x"}, 1,
   "*Export Failed*It lies inside */Maildir, which holds mail*"},
  {"AMessageNotReadInFull", [](TempHome& h) {  // a link to a directory, which root cannot read
     TwoMessages(h);
     fs::create_directory_symlink("/", h / "Maildir/cur/1700000003.3.host:2,S");
   }, {"--export", "Maildir/Inbox", "-o", "out.txt"}, 3,
   "*3 records written*1 message could not be read in full:\nmessage 3: *Is a directory\n"},
  {"APasswordFileOthersMayRead", [](TempHome& h) { h.Write("password", "secret\n"); },
   {"--list", "--password-file", "password"}, 2, "*make it mode 0600*"},
  {"AnHtmlBodyInEms", [](TempHome& h) {  // laid out with fonts, which need a GUI application
     h.Write("Maildir/cur/1700000001.1.host:2,S", "Subject: s\nContent-Type: text/html\n\n"
             "<span style=\"margin:0 0.4em\">x</span>\n");
   }, {"--export", "Maildir/Inbox", "-o", "out.txt"}, 0,
   "orvane: exporting Maildir/Inbox to out.txt\norvane: 1 record written to */out.txt\n"},
  {"APathThatCannotBeOpenedIsSaidAndLeftOut", TwoMessages, {"--list", "missing", "Maildir"}, 0,
   "orvane: missing: No such file or directory\n"},
};
// clang-format on

struct ExitStatus : testing::TestWithParam<Case> {};

}  // namespace

TEST_P(ExitStatus, SaysHowTheRunEnded) {
  const Case& run = GetParam();
  TempHome home;
  if (run.home) run.home(home);
  const Ran ran = Orvane(run.args);
  EXPECT_EQ(ran.status, run.status) << ran.err;
  EXPECT_EQ(fnmatch(run.err, ran.err.c_str(), 0), 0) << ran.err;
}

INSTANTIATE_TEST_SUITE_P(Runs, ExitStatus, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The stores and folder trees of tests/data/cli/home, the mbox file named first, as kept in
// tests/data/cli/list.txt.
TEST(List, PrintsEveryStoreAndFolderWithItsMessageCount) {
  TempHome home;
  fs::copy(ORVANE_TEST_DATA "/cli/home", home.path(), fs::copy_options::recursive);
  for (const auto& keep : fs::recursive_directory_iterator(home.path()))
    if (keep.path().filename() == ".keep") fs::remove(keep.path());
  const Ran ran = Orvane({"--list", "saved.mbox"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, DataFile("cli/list.txt"));
}

// --recursive writes the folder's records, then those of each folder below it, depth-first.
TEST(Export, RecursiveWritesEachFolderAfterItsParentDepthFirst) {
  TempHome home;
  const std::vector<std::string> folders = {"Archive",
                                            "Archive.2022",
                                            "Archive.2023",
                                            "Archive.2023.Q1",
                                            "Archive.2023.Q1.Jan",
                                            "Archive.2023.Q1.Jan.Week 1",
                                            "Sent"};
  std::string expected;
  for (const std::string& folder : folders) {
    home.Write("Maildir/." + folder + "/cur/1700000000.1.host:2,S", Message(folder));
    if (folder != "Sent") expected += folder + "\n";
  }
  const Ran ran = Orvane({"--export", "Maildir/Archive", "--recursive", "-o", "out.txt"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(Subjects(home / "out.txt"), expected);
}

// Ctrl-C ends the export after the record under way: the file holds whole records only.
TEST(Export, InterruptedItKeepsTheWholeRecordsWrittenAndSaysSo) {
  TempHome home;
  const std::string body(2000, 'x');
  for (int i = 0; i < 5000; ++i)
    home.Write("Maildir/cur/" + std::to_string(1700000000 + i) + ".host:2,S",
               Message(std::to_string(i)) + body + "\n");
  const Ran ran = Orvane({"--export", "Maildir/Inbox", "-o", "out.txt"}, [](QProcess& p) {
    p.setReadChannel(QProcess::StandardError);
    p.waitForReadyRead();  // the line that says the export starts
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  });
  EXPECT_EQ(ran.status, 130) << ran.err;
  EXPECT_NE(ran.err.find("interrupted"), std::string::npos) << ran.err;
  const std::string file = FileBytes(home / "out.txt");
  const long records = std::count(file.begin(), file.end(), '\f');
  EXPECT_TRUE(file.ends_with("\r\n\f\r\n")) << "ends on a whole record";
  EXPECT_TRUE(records > 0 && records < 5000) << records;
  EXPECT_NE(ran.err.find(": " + std::to_string(records) + " record"), std::string::npos) << ran.err;
}

// A personal folder file named on the command line: a folder and those below it export a record
// per message (the counts --list gives), each message's transport headers at the head of its
// record as the file keeps them.
TEST(PersonalFolderFile, ExportsARecordPerMessageOfTheFolderAndThoseBelow) {
  const std::string file = ORVANE_PFF_TEST_DATA "/enron.pst";
  if (!fs::exists(file)) GTEST_SKIP() << "no " << file << ": run scripts/fetch-test-data.sh";
  TempHome home;
  const std::string folder = "Personal folders/lokay-m/MLOKAY (Non-Privileged)";
  const Ran list = Orvane({"--list", file});
  long messages = 0;
  std::istringstream lines(list.out);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(folder)) messages += std::stol(line.substr(line.rfind('\t') + 1));
  EXPECT_EQ(messages, 71);
  const Ran ran = Orvane({"--export", folder, "--recursive", "-o", "out.txt", file});
  EXPECT_EQ(ran.status, 0) << ran.err;
  const std::string out = FileBytes(home / "out.txt");
  long records = 0, withHeaders = 0;
  for (std::size_t at = 0; at < out.size(); ++records) {
    const std::size_t end = out.find("\r\n\f\r\n", at);
    ASSERT_NE(end, std::string::npos) << "every record ends with a form-feed line";
    const std::string record = out.substr(at, end - at);
    // The file's transport headers as it keeps them: in its own case, with its own fields.
    withHeaders +=
        record.starts_with("date: ") && record.find("\r\nX-ZL-from: ") < record.find("\r\n\r\n");
    at = end + 5;
  }
  EXPECT_EQ(records, messages);
  EXPECT_GT(withHeaders, records / 2);
}
