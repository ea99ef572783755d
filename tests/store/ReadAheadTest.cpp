// Reading a folder's next messages ahead on worker threads: bounded, in walk order, invisible to
// what each message reads, and gone with the walk.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <vector>

#include "StoreReading.h"
#include "TempHome.h"
#include "store/Walk.h"
#include "store/maildir/MaildirFiles.h"
#include "store/reading/ReadAhead.h"

using Names = std::vector<std::string>;
using store::maildir::MaildirFiles;
using store::reading::Fetched;
using store::reading::FileStamp;
using store::reading::MessageSource;
using store::reading::ReadAhead;
namespace fs = std::filesystem;

namespace {

// A field's text, or "<unreadable: reason>".
std::string TextOf(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const store::Error& error) {
    return "<unreadable: " + std::string(error.what()) + ">";
  }
}

std::size_t ThreadsRunning() {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

// A maildir of `count` messages "m0", "m1", ..., read through the store's own file reading; each
// read is counted, and the first one announced once it has the bytes.
class ReadAheadOverMaildir : public ::testing::Test {
 protected:
  explicit ReadAheadOverMaildir(std::size_t count = 40) : reads(count), readDone(count) {
    home.Maildir("Maildir");
    for (std::size_t i = 0; i < count; ++i) {
      listed.push_back("cur/17000" + std::to_string(10000 + i) + ".M" + std::to_string(i) +
                       ".host:2,S");
      home.Write("Maildir/" + listed.back(), "Subject: m" + std::to_string(i) + "\n\nbody\n");
    }
    files = std::make_shared<MaildirFiles>(home / "Maildir");
  }

  ReadAhead::Source Source() {
    return [this](std::size_t i) -> std::optional<MessageSource> {
      if (i >= listed.size()) return std::nullopt;
      return MessageSource{
          [this, i] {
            const int read = ++reads[i];
            Fetched fetched{{{}, false, {}}, {}};
            fetched.raw.bytes = files->Read(listed[i], &fetched.stamp);
            if (read == 1) readDone[i].set_value();
            return fetched;
          },
          [this, i](const FileStamp& stamp) { return files->Unchanged(listed[i], stamp); }};
    };
  }

  // Blocks until message `i` has been read ahead.
  void AwaitReadAhead(std::size_t i) { readDone[i].get_future().wait(); }

  TempHome home;
  std::vector<std::string> listed;
  std::shared_ptr<MaildirFiles> files;
  std::vector<std::atomic<int>> reads;
  std::vector<std::promise<void>> readDone;
};

}  // namespace

TEST_F(ReadAheadOverMaildir, KeepsAtMostItsDepthWaitingAndHandsOutMessagesInWalkOrder) {
  ReadAhead ahead(Source(), 4);
  Names subjects;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    auto message = ahead.MessageAt(i);
    EXPECT_LE(ahead.waiting(), 4u);
    subjects.push_back(message->Subject());
  }
  EXPECT_EQ(ahead.waiting(), 0u) << "nothing is queued past the last message";
  for (std::size_t i = 0; i < listed.size(); ++i) {
    EXPECT_EQ(subjects[i], "m" + std::to_string(i));
  }
}

TEST_F(ReadAheadOverMaildir, AMessageReadAheadIsNotReadAgainAtItsTurn) {
  ReadAhead ahead(Source(), 4);
  ahead.MessageAt(0)->Subject();
  AwaitReadAhead(1);
  EXPECT_EQ(ahead.MessageAt(1)->Subject(), "m1");
  EXPECT_EQ(reads[1].load(), 1);
}

TEST_F(ReadAheadOverMaildir, AMessageDeletedAfterItWasReadAheadCannotBeReadAtItsTurn) {
  ReadAhead ahead(Source(), 4);
  ahead.MessageAt(0);
  AwaitReadAhead(2);
  fs::remove(home / ("Maildir/" + listed[2]));
  EXPECT_EQ(ahead.MessageAt(1)->Subject(), "m1");
  auto gone = ahead.MessageAt(2);
  EXPECT_EQ(TextOf([&] { return gone->Subject(); }),
            "<unreadable: " + home / ("Maildir/" + listed[2]) + ": No such file or directory>");
  EXPECT_EQ(TextOf([&] { return gone->BodyText(); }),
            "<unreadable: " + home / ("Maildir/" + listed[2]) + ": No such file or directory>");
  EXPECT_EQ(ahead.MessageAt(3)->Subject(), "m3");
}

TEST_F(ReadAheadOverMaildir, AMessageEditedOrRenamedAfterItWasReadAheadReadsAsItIsNow) {
  ReadAhead ahead(Source(), 4);
  ahead.MessageAt(0);
  AwaitReadAhead(2);
  home.Write("Maildir/" + listed[1], "Subject: m1, edited\n\nbody\n");
  fs::rename(home / ("Maildir/" + listed[2]), home / "Maildir/cur/1700010002.M2.host:2,RS");
  home.Write("Maildir/cur/1700010002.M2.host:2,RS", "Subject: m2, moved and edited\n\nbody\n");
  EXPECT_EQ(ahead.MessageAt(1)->Subject(), "m1, edited");
  EXPECT_EQ(ahead.MessageAt(2)->Subject(), "m2, moved and edited");
}

TEST_F(ReadAheadOverMaildir, EndingTheWalkEarlyDropsWhatIsQueuedAndLeavesNoThread) {
  const std::size_t before = ThreadsRunning();
  std::shared_ptr<store::Message> taken;
  {
    ReadAhead ahead(Source(), 16);
    ahead.MessageAt(0);
    taken = ahead.MessageAt(1);
    EXPECT_GT(ThreadsRunning(), before);
  }
  EXPECT_EQ(ThreadsRunning(), before);
  auto readsOfLaterMessages = [&] {
    int n = 0;
    for (std::size_t i = 2; i < reads.size(); ++i) n += reads[i].load();
    return n;
  };
  const int readsAtTheEnd = readsOfLaterMessages();
  EXPECT_LE(readsAtTheEnd, 16) << "never more than the depth ahead";
  // A message handed out before the end still reads in full, read now if it was dropped.
  EXPECT_EQ(taken->Subject(), "m1");
  EXPECT_EQ(readsOfLaterMessages(), readsAtTheEnd) << "nothing is read once the walk has ended";
}

namespace {

class ReadAheadInAWalk : public ::testing::Test {
 protected:
  TempHome home;
};

}  // namespace

TEST_F(ReadAheadInAWalk, AWalkOverAMaildirOrAnMboxLeavesNoThreadBehindHoweverItEnds) {
  home.Maildir("Maildir");
  std::string mbox;
  for (int i = 0; i < 30; ++i) {
    const std::string text = "Subject: s" + std::to_string(i) + "\n\nbody\n";
    home.Write(
        "Maildir/cur/17000000" + std::to_string(10 + i) + ".x" + std::to_string(i) + ".host:2,S",
        text);
    mbox += "From someone Mon Jan  1 00:00:00 2024\n" + text + "\n";
  }
  home.Write("Mail/box", mbox);
  const std::size_t before = ThreadsRunning();
  for (auto folder : {FolderAt("Maildir", {"Inbox"}), FolderAt("Mail", {"box"})}) {
    auto messages = folder->Messages();
    ASSERT_EQ(messages->Count(), 30);
    std::shared_ptr<store::Message> message;
    Names subjects;
    for (store::Walk walk(messages, message); !walk.done(); walk.Advance()) {
      subjects.push_back(message->Subject());
    }
    EXPECT_EQ(subjects.size(), 30u);
    EXPECT_EQ(subjects.back(), "s29");
    EXPECT_EQ(ThreadsRunning(), before) << "after a complete walk";
    {
      store::Walk walk(messages, message);
      walk.Advance();
      EXPECT_EQ(message->Subject(), "s1");
    }
    EXPECT_EQ(ThreadsRunning(), before) << "after a walk ended early";
  }
}
