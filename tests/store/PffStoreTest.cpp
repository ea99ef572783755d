// Personal folder files (.pst, .ost) read through the store interface: the real files that
// pst-extractor ships (see scripts/fetch-test-data.sh), and damaged copies of them made here.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "DataFiles.h"
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

// The store's tree with every message's subject, one line.
TEST(PersonalFolderFile, EnronTreeIsItsGoldenOutline) {
  SKIP_WITHOUT_DATA();
  auto store = Opened(kData + "/enron.pst");
  EXPECT_EQ(Outline(*store->RootFolder()) + "\n", DataFile("pff/enron-outline.txt"));
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

struct DamageRow {
  const char* name;
  long cutAt;               // -1: keep the whole file
  std::vector<long> flips;  // offsets whose bytes are inverted
};

class DamagedFile : public testing::TestWithParam<DamageRow> {};

// A damaged copy never crashes nor hangs the reader: every folder and message is read or said
// to be unreadable, within a bounded time. Run in a child so that a crash fails only its row.
TEST_P(DamagedFile, ReadsWhatItCanAndSaysWhatItCannot) {
  SKIP_WITHOUT_DATA();
  TempHome home;
  const std::string copy = home.path() + "/damaged.pst";
  fs::copy_file(kData + "/enron.pst", copy);
  if (GetParam().cutAt >= 0) fs::resize_file(copy, GetParam().cutAt);
  {
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    for (long at : GetParam().flips) {
      file.seekg(at);
      const char c = static_cast<char>(~file.get());
      file.seekp(at);
      file.put(c);
    }
  }
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto readAll = [&copy] {
    alarm(60);
    std::vector<std::string> problems;
    auto found = discovery::StoresAtPaths({copy}, problems);
    long read = 0, unreadable = 0;
    if (!found.empty()) {
      auto store = discovery::OpenFoundStore(found.front());
      const std::string outline = TextOf([&] { return Outline(*store->RootFolder()); });
      for (std::size_t at = 0; (at = outline.find("<unreadable", at)) != std::string::npos; ++at)
        ++unreadable;
      read = static_cast<long>(outline.size());
    }
    std::fprintf(stderr, "read %ld, unreadable %ld\n", read, unreadable);
    _exit(0);
  };
  EXPECT_EXIT(readAll(), testing::ExitedWithCode(0), "read");
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedFile,
    testing::Values(DamageRow{"CutInItsHeader", 300, {}}, DamageRow{"CutEarly", 100000, {}},
                    DamageRow{"CutHalfway", 7000000, {}}, DamageRow{"CutNearItsEnd", 13900000, {}},
                    DamageRow{"FlippedInItsHeader", -1, {200, 201, 202}},
                    DamageRow{"FlippedThroughout",
                              -1,
                              {20000, 500000, 2000000, 6000000, 9000000, 12000000, 13000000}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
