// Personal folder files (.pst, .ost) read through the store interface: the real files that
// pst-extractor ships (see scripts/fetch-test-data.sh), and damaged copies of them made here.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "DataFiles.h"
#include "ReaderProcesses.h"
#include "StoreReading.h"
#include "discovery/StoreFinder.h"
#include "store/FolderTree.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = ORVANE_PFF_TEST_DATA;

#define SKIP_WITHOUT_DATA()                                   \
  do {                                                        \
    if (!fs::exists(kData + "/enron.pst"))                    \
      GTEST_SKIP() << "no personal folder files in " << kData \
                   << ": run scripts/fetch-test-data.sh";     \
  } while (false)

std::shared_ptr<store::InfoStore> Opened(const std::string& path) {
  std::vector<std::string> problems;
  auto found = discovery::StoresAtPaths({path}, problems);
  EXPECT_EQ(Joined(problems), "");
  EXPECT_EQ(found.size(), 1u);
  return found.empty() ? nullptr : discovery::OpenFoundStore(found.front());
}

// The store's tree with every message's subject, one line; and every message's sender and
// recipients (To, Cc, then Bcc, from the message's recipient table), a line each.
TEST(PersonalFolderFile, EnronTreeAndAddressesAreTheirGoldenFiles) {
  SKIP_WITHOUT_DATA();
  auto store = Opened(kData + "/enron.pst");
  EXPECT_EQ(Outline(*store->RootFolder()) + "\n", DataFile("pff/enron-outline.txt"));
  std::string addresses;
  for (const store::NestedFolder& nested : store::FoldersIn(store->RootFolder()->Folders())) {
    auto line = [](auto& m) {
      return TextOf([&] { return m->Sender(); }) + " -> " + TextOf([&] { return m->Recipients(); });
    };
    for (const std::string& text : Each(nested.folder->Messages(), line)) addresses += text + "\n";
  }
  EXPECT_EQ(addresses, DataFile("pff/enron-addresses.txt"));
}

struct FileRow {
  const char* file;
  const char* name;     // the store's name
  const char* folders;  // a few of its folders, as the lists show them
  long messages;        // of all its folders
  bool bodies;          // every message has a body (some .ost messages have none at all)
};

class PersonalFolderFiles : public testing::TestWithParam<FileRow> {};

// Every folder lists, every message reads, and every message of the file's mail folders is
// counted (the .ost files' calendars and contacts hold no mail).
TEST_P(PersonalFolderFiles, OpenListAndReadEveryMessage) {
  SKIP_WITHOUT_DATA();
  auto store = Opened(kData + "/" + GetParam().file);
  EXPECT_EQ(store->Name(), GetParam().name);
  long messages = 0;
  Names folders;
  for (const store::NestedFolder& nested : store::FoldersIn(store->RootFolder()->Folders())) {
    folders.push_back(Joined(nested.path, "/"));
    for (const Names& fields :
         Each(nested.folder->Messages(), [](auto& m) { return AllFields(*m); })) {
      ++messages;
      for (const std::string& field : fields) EXPECT_FALSE(field.starts_with("<unreadable"));
      // Mail that travelled is written with its header section, which ends its last line.
      if (fields[0] != "<absent>") {
        EXPECT_TRUE(fields[0].ends_with("\r\n"));
      }
      if (GetParam().bodies) {
        EXPECT_NE(fields[6], "") << fields[2];
      }
    }
  }
  EXPECT_EQ(messages, GetParam().messages);
  EXPECT_TRUE(Joined(folders).starts_with(GetParam().folders)) << Joined(folders);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PersonalFolderFiles,
    testing::Values(FileRow{"enron.pst", "Personal folders",
                            "Deleted Items, lokay-m, lokay-m/MLOKAY", 71, true},
                    FileRow{"pstextractortest@outlook.com.ost", "pstextractortest@outlook.com.ost",
                            "Inbox, Archive, Calendar", 14, false},
                    FileRow{"pstextractortestpdf@outlook.com.ost",
                            "pstextractortestpdf@outlook.com.ost", "Inbox, Archive, Calendar", 2,
                            false}),
    [](const auto& info) { return "File" + std::to_string(info.index); });

struct EndingRow {
  const char* name;
  int signal;          // sent to the reader
  bool walking;        // to the reader of a walk, after its first message; else to the file's
  const char* reason;  // what the message or the listing is said to fail with
};

class ReaderEnding : public testing::TestWithParam<EndingRow> {};

// libpff runs in reader processes. One that crashes or hangs costs the one request it was
// answering: a listing fails with how it ended, and the next listing starts a new reader; a walk
// says the message it was on could not be read, and a new reader goes on with the next one.
TEST_P(ReaderEnding, CostsOneRequestAndANewReaderGoesOn) {
  SKIP_WITHOUT_DATA();
  setenv("ORVANE_PFF_READER_SILENCE", "1", 1);
  auto store = Opened(kData + "/enron.pst");
  std::shared_ptr<store::Folder> personal;
  for (const store::NestedFolder& nested : store::FoldersIn(store->RootFolder()->Folders())) {
    if (Joined(nested.path, "/") == "lokay-m/MLOKAY (Non-Privileged)/Personal")
      personal = nested.folder;
  }
  ASSERT_TRUE(personal);
  const Names expected = Subjects(personal->Messages());
  Names subjects, unread;
  if (GetParam().walking) {
    std::shared_ptr<store::Message> message;
    for (store::Walk walk(personal->Messages(), message); !walk.done(); walk.Advance()) {
      subjects.push_back(TextOf([&] { return message->Subject(); }));
      if (subjects.size() == 1) ::kill(Readers().back(), GetParam().signal);
    }
  } else {
    ::kill(Readers().back(), GetParam().signal);
    unread.push_back(TextOf([&] { return std::to_string(personal->Messages()->Count()); }));
    subjects = Subjects(personal->Messages());
  }
  ASSERT_EQ(subjects.size(), expected.size());
  for (std::size_t i = 0; i < subjects.size(); ++i) {
    if (subjects[i] != expected[i]) unread.push_back(subjects[i]);
  }
  const std::string what = GetParam().walking ? "the message could not be read: " : "";
  EXPECT_EQ(Joined(unread), "<unreadable: " + what + GetParam().reason + ">");
  unsetenv("ORVANE_PFF_READER_SILENCE");
}

INSTANTIATE_TEST_SUITE_P(
    Endings, ReaderEnding,
    testing::Values(EndingRow{"ListingReaderCrashes", SIGSEGV, false,
                              "the reader ended with signal 11 (Segmentation fault)"},
                    EndingRow{"ListingReaderIsKilled", SIGKILL, false,
                              "the reader ended with signal 9 (Killed)"},
                    EndingRow{"ListingReaderHangs", SIGSTOP, false,
                              "the reader stopped answering for 1 seconds and was ended"},
                    EndingRow{"WalkReaderCrashes", SIGSEGV, true,
                              "the reader ended with signal 11 (Segmentation fault)"},
                    EndingRow{"WalkReaderAborts", SIGABRT, true,
                              "the reader ended with signal 6 (Aborted)"},
                    EndingRow{"WalkReaderHangs", SIGSTOP, true,
                              "the reader stopped answering for 1 seconds and was ended"}),
    [](const auto& info) { return std::string(info.param.name); });

struct DamageRow {
  std::string name;
  long cutAt;               // -1: keep the whole file
  std::vector<long> flips;  // offsets whose bytes are inverted
};

class DamagedFile : public testing::TestWithParam<DamageRow> {};

// A damaged copy, read by real reader processes, never takes the reading process down nor hangs
// it: every folder's walk reaches as many messages as the folder counts, each read or said to be
// unreadable with a reason.
TEST_P(DamagedFile, EveryMessageIsReadOrCountedUnreadable) {
  SKIP_WITHOUT_DATA();
  setenv("ORVANE_PFF_READER_SILENCE", "10", 1);
  TempHome home;
  const std::string copy = home.path() + "/damaged.pst";
  fs::copy_file(kData + "/enron.pst", copy);
  if (GetParam().cutAt >= 0) fs::resize_file(copy, GetParam().cutAt);
  std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
  for (long at : GetParam().flips) {
    file.seekg(at);
    const char c = static_cast<char>(~file.get());
    file.seekp(at).put(c);
  }
  file.close();
  std::vector<std::string> problems;
  auto found = discovery::StoresAtPaths({copy}, problems);
  long read = 0, unreadable = 0;
  std::vector<store::NestedFolder> nested;
  TextOf([&] {  // a file that cannot be opened lists no folder
    if (!found.empty())
      nested = store::FoldersIn(discovery::OpenFoundStore(found[0])->RootFolder()->Folders());
    return "";
  });
  for (const store::NestedFolder& folder : nested) {
    std::shared_ptr<store::Collection<store::Message>> messages;
    if (TextOf([&] { return (messages = folder.folder->Messages()) ? "" : "none"; }) != "")
      continue;
    const Names subjects = Subjects(messages);
    EXPECT_EQ(std::ssize(subjects), messages->Count()) << Joined(folder.path, "/");
    for (const std::string& subject : subjects) {
      (subject.starts_with("<unreadable: ") ? unreadable : read) += 1;
      EXPECT_NE(subject, "<unreadable: >");
    }
  }
  std::fprintf(stderr, "%zu folders, %ld messages read, %ld unreadable\n", nested.size(), read,
               unreadable);
  unsetenv("ORVANE_PFF_READER_SILENCE");
}

std::vector<DamageRow> Damages() {
  const long size = 13984768;
  std::vector<DamageRow> rows = {{"FlippedInItsHeader", -1, {200, 201, 202}}};
  for (long cut : {0L, 64L, 300L, 4096L, 100000L, size - 1})
    rows.push_back({"CutAt" + std::to_string(cut), cut, {}});
  for (long cut = size / 16; cut < size; cut += size / 16)
    rows.push_back({"CutAt" + std::to_string(cut), cut, {}});
  // Bytes flipped in 25 to 200 places at a time, the places picked by a fixed sequence.
  unsigned long long state = 0x2545F4914F6CDD1DULL;
  for (int row = 0; row < 16; ++row) {
    std::vector<long> flips(25 << (row % 4));
    for (long& at : flips)
      at = static_cast<long>((state = state * 6364136223846793005ULL + 1442695040888963407ULL) >>
                             17) %
           size;
    rows.push_back({std::to_string(flips.size()) + "Flips" + std::to_string(row), -1, flips});
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedFile, testing::ValuesIn(Damages()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
