// The messages of a maildir: which, in what order, and what happens when another mail client
// changes the maildir while an export walks it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "StoreReading.h"
#include "TempHome.h"
#include "store/Walk.h"

using Names = std::vector<std::string>;
using store::Walk;
namespace fs = std::filesystem;

namespace {

std::string Message(const std::string& subject) { return "Subject: " + subject + "\n\nbody\n"; }

class MaildirMessages : public ::testing::Test {
 protected:
  MaildirMessages() { home.Maildir("Maildir"); }

  std::string Put(const std::string& file, const std::string& subject) {
    return home.Write("Maildir/" + file, Message(subject));
  }
  std::shared_ptr<store::Folder> Inbox() { return FolderAt("Maildir", {"Inbox"}); }

  TempHome home;
};

}  // namespace

TEST_F(MaildirMessages, OrderedByDeliveryTimeThenNameAcrossCurAndNew) {
  Put("new/1700000300.M3P3.host", "third");
  Put("cur/1700000100.M1P1.host:2,S", "first");
  Put("cur/999999999.M0P0.host:2,S", "oldest");  // fewer digits, earlier
  Put("new/1700000200.Mb.host", "second b");
  Put("cur/1700000200.Ma.host:2,RS", "second a");
  EXPECT_EQ(Subjects(Inbox()), (Names{"oldest", "first", "second a", "second b", "third"}));
}

TEST_F(MaildirMessages, TrashedMessagesAndDotfilesAreLeftOut) {
  Put("cur/1700000001.a.host:2,S", "kept");
  Put("cur/1700000002.b.host:2,ST", "trashed");
  Put("cur/1700000003.c.host:2,T", "trashed too");
  Put("cur/1700000004.d.host:2,F", "flagged");
  Put("cur/.1700000005.e.host:2,S", "hidden");
  home.Directory("Maildir/cur/1700000006.dir");
  auto messages = Inbox()->Messages();
  EXPECT_EQ(messages->Count(), 2);
  EXPECT_EQ(Subjects(Inbox()), (Names{"kept", "flagged"}));
}

TEST_F(MaildirMessages, CountAndWalkKeepTheListTakenWhenMessagesWasCalled) {
  Put("cur/1700000001.a.host:2,S", "before");
  auto messages = Inbox()->Messages();
  Put("new/1700000002.b.host", "after");
  EXPECT_EQ(messages->Count(), 1);
  std::shared_ptr<store::Message> message;
  Names subjects;
  for (Walk walk(messages, message); !walk.done(); walk.Advance()) {
    subjects.push_back(message->Subject());
  }
  EXPECT_EQ(subjects, Names{"before"});
  EXPECT_EQ(Inbox()->Messages()->Count(), 2);
}

TEST_F(MaildirMessages, EachMessageIsReadWhenTheWalkReachesIt) {
  Put("cur/1700000001.a.host:2,S", "one");
  std::string second = Put("cur/1700000002.b.host:2,S", "two");
  auto messages = Inbox()->Messages();
  std::shared_ptr<store::Message> message;
  Walk walk(messages, message);
  home.Write("Maildir/cur/1700000002.b.host:2,S", Message("two, edited"));
  EXPECT_EQ(message->Subject(), "one");
  walk.Advance();
  EXPECT_EQ(message->Subject(), "two, edited");
}

TEST_F(MaildirMessages, MessagesRenamedByAnotherClientDuringTheWalkAreFoundAgain) {
  Put("new/1700000001.a.host", "one");
  Put("new/1700000002.b.host", "two");
  Put("cur/1700000003.c.host:2,", "three");
  auto messages = Inbox()->Messages();
  std::shared_ptr<store::Message> message;
  Names subjects;
  for (Walk walk(messages, message); !walk.done(); walk.Advance()) {
    if (subjects.empty()) {
      // Another client marks everything seen: new/ to cur/ with flags, and cur/ with new flags.
      fs::rename(home / "Maildir/new/1700000002.b.host",
                 home / "Maildir/cur/1700000002.b.host:2,S");
      fs::rename(home / "Maildir/cur/1700000003.c.host:2,",
                 home / "Maildir/cur/1700000003.c.host:2,RS");
    }
    subjects.push_back(Field([&] { return message->Subject(); }));
  }
  EXPECT_EQ(subjects, (Names{"one", "two", "three"}));
}

TEST_F(MaildirMessages, MessageDeletedDuringTheWalkCannotBeReadAndTheWalkGoesOn) {
  Put("cur/1700000001.a.host:2,S", "one");
  std::string doomed = Put("cur/1700000002.b.host:2,S", "two");
  Put("cur/1700000003.c.host:2,S", "three");
  auto messages = Inbox()->Messages();
  fs::remove(doomed);
  std::shared_ptr<store::Message> message;
  Names subjects, bodies;
  for (Walk walk(messages, message); !walk.done(); walk.Advance()) {
    subjects.push_back(Field([&] { return message->Subject(); }));
    bodies.push_back(Field([&] { return message->BodyText(); }));
  }
  const std::string gone = "<unreadable: " + doomed + ": No such file or directory>";
  EXPECT_EQ(subjects, (Names{"one", gone, "three"}));
  EXPECT_EQ(bodies, (Names{"body\r\n", gone, "body\r\n"}));
}

TEST_F(MaildirMessages, FileThatCannotBeOpenedFailsEveryReadWithTheSystemsReason) {
  Put("cur/1700000001.a.host:2,S", "one");
  std::string loop = home / "Maildir/cur/1700000002.b.host:2,S";
  fs::create_symlink(loop, loop);
  auto messages = MessagesOf(Inbox());
  ASSERT_EQ(messages.size(), 2u);
  const std::string reason = "<unreadable: " + loop + ": Too many levels of symbolic links>";
  store::Message& broken = *messages[1];
  EXPECT_EQ(Field([&] { return broken.Subject(); }), reason);
  EXPECT_EQ(HeadersOf(broken), reason);
  EXPECT_EQ(MessageIdOf(broken), reason);
  EXPECT_EQ(Field([&] { return broken.BodyText(); }), reason);
  EXPECT_EQ(Field([&] { return broken.Sender(); }), reason);
  EXPECT_EQ(Field([&] { return broken.Recipients(); }), reason);
  EXPECT_EQ(Field([&] { return broken.MessageDate(); }), reason);
  EXPECT_EQ(Field([&] { return messages[0]->Subject(); }), "one");
}

TEST_F(MaildirMessages, FileWithoutReadPermissionCannotBeRead) {
  std::string locked = Put("cur/1700000001.a.host:2,S", "secret");
  fs::permissions(locked, fs::perms::none);
  auto messages = MessagesOf(Inbox());
  ASSERT_EQ(messages.size(), 1u);
  // Root reads every file, so the read is made as nobody, in a child process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        const std::string subject = Field([&] { return messages[0]->Subject(); });
        _exit(subject == "<unreadable: " + locked + ": Permission denied>" ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
