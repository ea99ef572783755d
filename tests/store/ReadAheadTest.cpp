// Reading a folder's next messages ahead on worker threads: bounded, in walk order, invisible to
// what each message reads, and gone with the walk.

#include <atomic>
#include <numeric>
#include <thread>

#include "StoreReading.h"
#include "store/maildir/MaildirFiles.h"
#include "store/reading/ReadAhead.h"

using store::reading::ReadAhead;
namespace fs = std::filesystem;

namespace {

// A maildir of 40 messages "m0", "m1", ..., read through the store's own file reading, each read
// counted once it has the bytes.
class ReadAheadOverMaildir : public ::testing::Test {
 protected:
  ReadAheadOverMaildir() {
    for (int i = 0; i < 40; ++i) home.Write(Path(i), "Subject: m" + std::to_string(i) + "\n\n");
  }
  // Gives every fifth message a body of `size` bytes.
  void Enlarge(std::size_t size) {
    for (std::size_t i = 0; i < 40; i += 5) {
      home.Write(Path(i), "Subject: m" + std::to_string(i) + "\n\n" + std::string(size, 'x'));
    }
  }
  // The name message `i` is listed by, and where it is in the test home.
  static std::string Listed(std::size_t i) {
    return "cur/" + std::to_string(1700010000 + i) + ".M" + std::to_string(i) + ":2,S";
  }
  static std::string Path(std::size_t i) { return "Maildir/" + Listed(i); }

  ReadAhead::Source Source() {
    return [this](std::size_t i) -> std::optional<store::reading::MessageSource> {
      if (i >= reads.size()) return std::nullopt;
      auto read = [this, i] {
        store::reading::Fetched fetched{{{}, false, {}}, {}};
        fetched.raw.file = files.Open(Listed(i), &fetched.stamp);
        ++reads[i];
        if (std::this_thread::get_id() == walker) ++readsAtTurn[i];
        return fetched;
      };
      auto unchanged = [this, i](auto& stamp) { return files.Unchanged(Listed(i), stamp); };
      return store::reading::MessageSource{read, unchanged};
    };
  }

  std::string Subject(ReadAhead& ahead, std::size_t i) { return ahead.MessageAt(i)->Subject(); }
  int ReadsFrom(std::size_t first) {
    return std::accumulate(reads.begin() + first, reads.end(), 0,
                           [](int n, const auto& count) { return n + count.load(); });
  }

  TempHome home;
  store::maildir::MaildirFiles files{home / "Maildir"};
  std::vector<std::atomic<int>> reads = std::vector<std::atomic<int>>(40);
  std::vector<std::atomic<int>> readsAtTurn = std::vector<std::atomic<int>>(40);
  const std::thread::id walker = std::this_thread::get_id();
};

}  // namespace

TEST_F(ReadAheadOverMaildir, HandsOutMessagesInWalkOrderReadAgainOnlyWhenChangedSinceReadAhead) {
  ReadAhead ahead(Source(), 4);
  EXPECT_EQ(Subject(ahead, 0), "m0");
  for (std::size_t i = 1; i <= 4; ++i)
    while (reads[i] == 0) std::this_thread::yield();
  fs::remove(home / Path(2));
  home.Write(Path(3), "Subject: m3, edited\n\n");
  fs::rename(home / Path(4), home / "Maildir/cur/1700010004.M4:2,RS");
  home.Write("Maildir/cur/1700010004.M4:2,RS", "Subject: m4, moved and edited\n\n");
  auto first = ahead.MessageAt(1);
  EXPECT_EQ(first->Subject(), "m1");
  EXPECT_EQ(reads[1].load(), 1) << "read ahead, and not again";
  EXPECT_EQ(TextOf([&] { return first->FieldValue(0x0E1D001E); }), "<absent>")
      << "a tag the store does not know";
  // Every field of a message that cannot be read says why.
  EXPECT_EQ(AllFields(*ahead.MessageAt(2)),
            Names(7, "<unreadable: " + home / Path(2) + ": No such file or directory>"));
  EXPECT_EQ(Subject(ahead, 3), "m3, edited");
  EXPECT_EQ(Subject(ahead, 4), "m4, moved and edited");
  for (std::size_t i = 5; i < reads.size(); ++i) {
    EXPECT_EQ(Subject(ahead, i), "m" + std::to_string(i));
    EXPECT_LE(ahead.waiting(), 4u);
  }
  EXPECT_EQ(ahead.waiting(), 0u) << "nothing is queued past the last message";
}

TEST_F(ReadAheadOverMaildir, EndingTheWalkEarlyDropsWhatIsQueuedAndLeavesNoThread) {
  const auto before = ThreadsRunning();
  std::shared_ptr<store::Message> taken;
  {
    ReadAhead ahead(Source(), 16);
    ahead.MessageAt(0);
    taken = ahead.MessageAt(1);
    EXPECT_GT(ThreadsRunning(), before);
  }
  EXPECT_EQ(ThreadsLeft(before), before);
  const int readsAtTheEnd = ReadsFrom(2);
  EXPECT_LE(readsAtTheEnd, 16) << "never more than the depth ahead";
  // A message handed out before the end still reads in full, read now if it was dropped.
  EXPECT_EQ(taken->Subject(), "m1");
  EXPECT_EQ(ReadsFrom(2), readsAtTheEnd) << "nothing is read once the walk has ended";
}

TEST_F(ReadAheadOverMaildir, AMessageLargerThanTheBytesLeftAheadIsReadAtItsTurn) {
  Enlarge(1000);
  ReadAhead ahead(Source(), 16, 400);
  for (std::size_t i = 0; i < reads.size(); ++i) {
    EXPECT_EQ(Subject(ahead, i), "m" + std::to_string(i));
    if (i == 0) continue;  // the walk's first message is always read at its turn
    EXPECT_EQ(readsAtTurn[i].load(), i % 5 == 0 ? 1 : 0) << "message " << i;
  }
  EXPECT_GT(ahead.mostHeld(), 0u) << "small messages are still read ahead";
  EXPECT_LE(ahead.mostHeld(), 400u);
}
