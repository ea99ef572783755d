// The messages of a maildir: which, in what order, and what happens when another mail client
// changes the maildir while an export walks it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "StoreReading.h"

namespace fs = std::filesystem;

namespace {

const Names kFields = {"headers", "id", "body", "subject", "sender", "recipients", "date"};

class MaildirMessages : public ::testing::Test {
 protected:
  MaildirMessages() { home.Maildir("Maildir"); }

  std::string Put(const std::string& file, const std::string& subject) {
    return home.Write("Maildir/" + file, "Subject: " + subject + "\n\nbody\n");
  }
  std::shared_ptr<store::Collection<store::Message>> Messages() {
    return FolderAt("Maildir", {"Inbox"})->Messages();
  }
  // The subject of each message of the walk; `during` runs after the first has been reached.
  Names Walk(
      const std::shared_ptr<store::Collection<store::Message>>& messages,
      const std::function<void()>& during = [] {}) {
    Names subjects;
    for (const auto& message : Each(messages, [](auto& m) { return m; })) {
      subjects.push_back(Read(*message, "subject"));
      if (subjects.size() == 1) during();
    }
    return subjects;
  }

  TempHome home;
};

}  // namespace

TEST_F(MaildirMessages, CurAndNewByDeliveryTimeThenNameWithoutTrashedMessagesOrDotfiles) {
  Put("new/1700000300.M3P3.host", "third");
  Put("cur/1700000100.M1P1.host:2,S", "first");
  Put("new/1700000100.M1P1.host", "first");      // seen in new/ too as another client moved it
  Put("cur/999999999.M0P0.host:2,S", "oldest");  // fewer digits, earlier
  Put("new/1700000200.Mb.host", "second b");
  Put("cur/1700000200.Ma.host:2,FRS", "second a");
  Put("cur/1700000150.b.host:2,ST", "trashed");
  Put("cur/1700000250.c.host:2,T", "trashed too");
  Put("cur/.1700000260.e.host:2,S", "hidden");
  home.Directory("Maildir/cur/1700000270.dir");
  EXPECT_EQ(Messages()->Count(), 5);
  EXPECT_EQ(Walk(Messages()), (Names{"oldest", "first", "second a", "second b", "third"}));
}

TEST_F(MaildirMessages, CountAndWalkKeepTheListTakenByMessagesAndReadEachMessageWhenReached) {
  Put("cur/1700000001.a.host:2,S", "one");
  Put("cur/1700000002.b.host:2,S", "two");
  auto messages = Messages();
  Put("new/1700000003.c.host", "after");
  EXPECT_EQ(messages->Count(), 2);
  EXPECT_EQ(Walk(messages, [&] { Put("cur/1700000002.b.host:2,S", "two, edited"); }),
            (Names{"one", "two, edited"}));
  EXPECT_EQ(Messages()->Count(), 3);
}

TEST_F(MaildirMessages, MessagesRenamedByAnotherClientDuringTheWalkAreFoundAgainDeletedOnesNot) {
  Put("new/1700000001.a.host", "one");
  Put("new/1700000002.b.host", "two");
  Put("cur/1700000003.c.host:2,", "three");
  const std::string doomed = Put("cur/1700000004.d.host:2,S", "four");
  Put("cur/1700000005.e.host:2,S", "five");
  // Another client marks everything seen (new/ to cur/ with flags, cur/ with new flags) and
  // deletes a message.
  EXPECT_EQ(Walk(Messages(),
                 [&] {
                   fs::rename(home / "Maildir/new/1700000002.b.host",
                              home / "Maildir/cur/1700000002.b.host:2,S");
                   fs::rename(home / "Maildir/cur/1700000003.c.host:2,",
                              home / "Maildir/cur/1700000003.c.host:2,RS");
                   fs::remove(doomed);
                 }),
            (Names{"one", "two", "three", "<unreadable: " + doomed + ": No such file or directory>",
                   "five"}));
}

TEST_F(MaildirMessages, FileWithoutReadPermissionFailsEveryReadWithTheSystemsReason) {
  const std::string locked = Put("cur/1700000001.a.host:2,S", "secret");
  fs::permissions(locked, fs::perms::none);
  auto messages = Each(Messages(), [](auto& m) { return m; });
  ASSERT_EQ(messages.size(), 1u);
  ExpectAsNobody(
      home,
      [&] {
        Names read;
        for (const std::string& field : kFields) read.push_back(Read(*messages[0], field));
        return read;
      },
      Names(kFields.size(), "<unreadable: " + locked + ": Permission denied>"));
}

TEST_F(MaildirMessages, EachMessageOnceWhileAnotherClientRenamesThemThroughTheListingAndTheWalk) {
  constexpr int kMessages = 3000;
  Names uniques, subjects;
  for (int i = 0; i < kMessages; ++i) {
    uniques.push_back(std::to_string(1700000000 + i) + ".M" + std::to_string(i) + ".host");
    subjects.push_back("m" + std::to_string(i));
    Put("new/" + uniques.back(), subjects.back());
  }
  // The other client goes through the messages in its own order, round after round: first
  // taking each from new/ to cur/ as seen, then marking it answered, unmarking it, and so on.
  std::atomic<bool> done = false;
  std::atomic<int> renamed = 0;
  std::thread client([&] {
    Names order = uniques;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    const std::string maildir = home / "Maildir/";
    for (int round = 0; !done; ++round) {
      for (const std::string& unique : order) {
        if (done) break;
        std::string from = round == 0       ? "new/" + unique
                           : round % 2 == 1 ? "cur/" + unique + ":2,S"
                                            : "cur/" + unique + ":2,RS";
        std::string to = round % 2 == 0 ? "cur/" + unique + ":2,S" : "cur/" + unique + ":2,RS";
        std::rename((maildir + from).c_str(), (maildir + to).c_str());
        ++renamed;
      }
    }
  });
  while (renamed < kMessages / 2) std::this_thread::yield();
  std::vector<long> counts;
  for (int listing = 0; listing < 4; ++listing) counts.push_back(Messages()->Count());
  Names walked = Walk(Messages());
  done = true;
  client.join();
  std::map<std::string, int> times;
  for (const std::string& subject : subjects) times[subject] = 0;
  Names wrong;  // any read that failed, and messages not walked exactly once
  for (const std::string& subject : walked) {
    if (!times.count(subject)) wrong.push_back(subject);
    ++times[subject];
  }
  for (const auto& [subject, n] : times) {
    if (n != 1) wrong.push_back(subject + " walked " + std::to_string(n) + " times");
  }
  EXPECT_EQ(wrong, Names{});
  EXPECT_EQ(counts, std::vector<long>(4, kMessages));
}
