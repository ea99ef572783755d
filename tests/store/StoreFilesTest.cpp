// Stores kept under tests/data, each read back whole and compared with what is kept beside it.
//
// tests/data/mbox/<name>.mbox, tests/data/maildir/<name>/ and tests/data/mh/<name>/: the fields of
// each message, in walk order, one message after another with an empty line between, as
// <name>.fields keeps them (see DataFiles.h); and the messages read ahead by a walk, however it
// ends, leave no thread behind. Each mbox file gives the same once compressed by gzip, bzip2 and
// xz. An MH folder is read from a copy whose files were all modified at 2024-03-09 16:00:00 UTC,
// the time the maildirs' file names give their messages, so that an MH folder holding a
// maildir's messages gives the same fields (its .fields is the maildir's).
//
// tests/data/stores/trees.txt: trees of folders, each read as a local store, by the user nobody,
// whose outline (see Outline) is kept with it.

#include <fcntl.h>
#include <sys/stat.h>

#include <map>
#include <sstream>

#include "DataFiles.h"
#include "StoreReading.h"
#include "store/local/LocalStore.h"
#include "store/maildir/MaildirMessages.h"
#include "store/mbox/CompressedMboxMessages.h"
#include "store/mbox/MboxMessages.h"
#include "store/mh/MhMessages.h"

namespace fs = std::filesystem;
using store::local::FoundStore;

namespace {

std::vector<std::string> MessageFileNames() {
  std::vector<std::string> names;
  for (const std::string& name : DataNames("mbox", ".mbox"))
    for (const char* compression : {"", ".gz", ".bz2", ".xz"})
      names.push_back("mbox/" + name + compression);
  for (const std::string& name : DataNames("maildir", ".fields")) names.push_back("maildir/" + name);
  for (const std::string& name : DataNames("mh", ".fields")) names.push_back("mh/" + name);
  return names;
}

// A copy of the MH folder at `path` in the home, every file in it modified at `time`.
std::string MhFolderModifiedAt(const TempHome& home, const std::string& path, std::time_t time) {
  const std::string copy = home / "mh";
  fs::copy(path, copy, fs::copy_options::recursive);
  const timespec times[2] = {{time, 0}, {time, 0}};
  for (const fs::directory_entry& entry : fs::directory_iterator(copy))
    EXPECT_EQ(utimensat(AT_FDCWD, entry.path().c_str(), times, 0), 0);
  return copy;
}

class MessageFiles : public testing::TestWithParam<std::string> {};
class LocalTree : public testing::TestWithParam<Names> {};

}  // namespace

TEST_P(MessageFiles, HoldTheMessagesKeptBesideThem) {
  TempHome home;  // for TZ=UTC
  const std::string name(store::mbox::WithoutCompressionSuffix(GetParam()));
  const std::string path = ORVANE_TEST_DATA "/" + name;
  std::shared_ptr<store::Collection<store::Message>> messages =
      std::make_shared<store::maildir::MaildirMessages>(path);
  if (const auto compression = store::mbox::CompressionOf(GetParam())) {
    const std::string compressed = home / ("box" + GetParam().substr(name.size()));
    messages = std::make_shared<store::mbox::CompressedMboxMessages>(
        Compressed(path + ".mbox", compressed), *compression);
  } else if (GetParam().starts_with("mbox/")) {
    messages = std::make_shared<store::mbox::MboxMessages>(path + ".mbox");
  } else if (GetParam().starts_with("mh/")) {
    messages = std::make_shared<store::mh::MhMessages>(MhFolderModifiedAt(home, path, 1710000000));
  }
  const auto threads = ThreadsRunning();
  const Names read = Each(messages, [](auto& m) { return FieldsText(kFieldNames, AllFields(*m)); });
  EXPECT_EQ(Joined(read, "\n"), DataFile(name + ".fields"));
  EXPECT_EQ(messages->Count(), std::ssize(read));
  std::shared_ptr<store::Message> first;
  store::Walk(messages, first);  // a walk that ends at its first message
  EXPECT_EQ(ThreadsLeft(threads), threads) << "a walk leaves no thread behind, however it ends";
}

INSTANTIATE_TEST_SUITE_P(Data, MessageFiles, testing::ValuesIn(MessageFileNames()));

TEST_P(LocalTree, ShowsTheOutlineKeptForIt) {
  const Names& tree = GetParam();  // directory, store, locked paths, outline, commands
  TempHome home;
  fs::copy(ORVANE_TEST_DATA "/stores/" + tree.at(0), home.path(), fs::copy_options::recursive);
  if (tree.size() > 4) {
    ASSERT_EQ(std::system(("cd " + home.path() + " && " + tree[4]).c_str()), 0);
  }
  const std::string root = home / tree.at(1).substr(tree.at(1).find(' ') + 1);
  using Kind = FoundStore::Kind;
  const Kind kind = std::map<std::string, Kind>{
      {"maildir", Kind::MaildirTree},     {"mbox", Kind::MboxTree},
      {"mh", Kind::MhTree},               {"spool", Kind::Spool},
      {"evolution", Kind::EvolutionTree}, {"kmail", Kind::KMailTree}}
                         .at(tree.at(1).substr(0, tree.at(1).find(' ')));
  std::istringstream locked(tree.at(2));
  for (std::string path; locked >> path;) fs::permissions(home / path, fs::perms::none);
  auto outline = [&] {
    std::string text = Outline(
        *store::local::LocalStore({kind, fs::path(root).filename(), root, ""}).RootFolder());
    for (std::size_t at; (at = text.find(home.path())) != std::string::npos;)
      text.replace(at, home.path().size(), "~");
    return text;
  };
  ExpectAsNobody(home, outline, tree.at(3));
}

INSTANTIATE_TEST_SUITE_P(Data, LocalTree, testing::ValuesIn(DataRows("stores/trees.txt")),
                         DataTestName);
