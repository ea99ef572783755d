// What an IMAP export does when the server changes under it: a message expunged by another
// client, a connection that drops and can be reopened, a server that goes away for good.

#include <chrono>
#include <thread>

#include <vmime/net/messageSet.hpp>
#include <vmime/net/session.hpp>
#include <vmime/net/store.hpp>

#include "ImapCorpus.h"
#include "ImapTesting.h"

using namespace imaptest;

namespace {

class ImapFault : public ImapTest {
 protected:
  void SetUp() override {
    const auto messages = CorpusMessages(250);
    for (int i = 0; i < 250; ++i) Deliver("", kFirstDelivery + 60L * i, messages[i], Flags(i));
    StartServer();
    inbox = Inbox(Open());
    ASSERT_TRUE(inbox);
  }

  // The whole export, with nothing going wrong.
  std::string UndisturbedExport() {
    ExportTo view(home / "undisturbed.txt");
    Export(inbox, view);
    return FileBytes(view.path);
  }

  // Another client deletes message `number` for good.
  void ExpungeFromAnotherClient(std::size_t number) {
    auto session = vmime::net::session::create();
    auto other = session->getStore(vmime::utility::url("imap", "127.0.0.1", server->imapPort()));
    other->setProperty("auth.username", std::string(kUser));
    other->setProperty("auth.password", std::string(kPassword));
    other->setProperty("options.sasl", false);
    other->connect();
    auto folder = other->getFolder(vmime::net::folder::path("INBOX"));
    folder->open(vmime::net::folder::MODE_READ_WRITE);
    folder->deleteMessages(vmime::net::messageSet::byNumber(number));
    folder->expunge();
    folder->close(false);
    other->disconnect();
  }

  static long Records(const std::string& file) {
    long records = 0;
    for (std::size_t at = file.find("\r\n\f\r\n"); at != std::string::npos;
         at = file.find("\r\n\f\r\n", at + 1)) {
      ++records;
    }
    return records;
  }

  std::shared_ptr<store::Folder> inbox;
};

}  // namespace

TEST_F(ImapFault, AMessageExpungedDuringTheWalkFailsAsUnreadAndTheRestIsWritten) {
  const std::string undisturbed = UndisturbedExport();
  ExportTo view(home / "messages.txt");
  view.atEvents = [&](long shown) {
    if (shown == 10) ExpungeFromAnotherClient(220);
  };
  const exporter::Outcome outcome = Export(inbox, view);
  EXPECT_FALSE(outcome.walkFailure);
  EXPECT_EQ(outcome.records, 250);
  EXPECT_EQ(outcome.unreadCount, 1);
  ASSERT_EQ(outcome.firstUnread.size(), 1u);
  EXPECT_EQ(outcome.firstUnread[0].label, "message 220");
  EXPECT_EQ(outcome.firstUnread[0].reason,
            "The message was deleted from the server during the export.");
  // Every other record is as it would have been.
  const std::string file = FileBytes(view.path);
  EXPECT_EQ(file.substr(0, 1000), undisturbed.substr(0, 1000));
  EXPECT_EQ(file.substr(file.size() - 1000), undisturbed.substr(undisturbed.size() - 1000));
}

TEST_F(ImapFault, AConnectionDroppedDuringTheWalkIsReopenedAndTheWalkGoesOn) {
  const std::string undisturbed = UndisturbedExport();
  ExportTo view(home / "messages.txt");
  view.atEvents = [&](long shown) {
    if (shown == 10) {
      server->Stop();  // every connection is cut
      server->Start();
    }
  };
  const exporter::Outcome outcome = Export(inbox, view);
  EXPECT_FALSE(outcome.failed());
  EXPECT_EQ(outcome.records, 250);
  EXPECT_EQ(outcome.unreadCount, 0);
  EXPECT_TRUE(FileBytes(view.path) == undisturbed) << "the export differs";
}

TEST_F(ImapFault, AMailboxRenumberedWhileTheConnectionWasDownFailsTheRemainingMessages) {
  ExportTo view(home / "messages.txt");
  view.atEvents = [&](long shown) {
    if (shown != 10) return;
    server->Stop();
    // The server comes back without its UID records, as one restored from an old backup. Its
    // new UIDVALIDITY is the time in seconds: a second must pass for it to differ.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    for (const auto& entry : std::filesystem::directory_iterator(maildir)) {
      if (entry.path().filename().string().starts_with("dovecot")) {
        std::filesystem::remove(entry.path());
      }
    }
    server->Start();
  };
  const exporter::Outcome outcome = Export(inbox, view);
  EXPECT_EQ(outcome.records, 250);
  EXPECT_GT(outcome.unreadCount, 0);
  ASSERT_FALSE(outcome.firstUnread.empty());
  EXPECT_EQ(outcome.firstUnread[0].label, "message " + std::to_string(251 - outcome.unreadCount));
  EXPECT_EQ(outcome.firstUnread[0].reason,
            "The connection to the server was lost and could not be reopened: the mailbox was "
            "renumbered on the server meanwhile.");
}

TEST_F(ImapFault, AServerGoneForGoodFailsTheRemainingMessagesWithTheReason) {
  ExportTo view(home / "messages.txt");
  view.atEvents = [&](long shown) {
    if (shown == 10) server->Stop();
  };
  const exporter::Outcome outcome = Export(inbox, view);
  // The messages fetched before the server went are written; the rest are named unread.
  EXPECT_EQ(outcome.records, 250);
  EXPECT_GT(outcome.unreadCount, 0);
  EXPECT_LE(outcome.unreadCount, 240);
  ASSERT_FALSE(outcome.firstUnread.empty());
  EXPECT_EQ(outcome.firstUnread[0].label, "message " + std::to_string(251 - outcome.unreadCount));
  // Refused, or reset by a server still on its way down: either way the server is named.
  const std::string& reason = outcome.firstUnread[0].reason;
  EXPECT_TRUE(
      reason.starts_with("The connection to the server was lost and could not be reopened: "))
      << reason;
  EXPECT_NE(reason.find(AccountWith(Security::Tls).Server()), std::string::npos) << reason;
  const std::string file = FileBytes(view.path);
  EXPECT_EQ(Records(file), 250);
  EXPECT_TRUE(file.ends_with("\r\n\f\r\n"));
}
