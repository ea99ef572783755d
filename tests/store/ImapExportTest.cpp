// Exporting a mailbox of a real IMAP server: the same file as exporting the same messages from a
// local maildir, with nothing changed on the server.

#include <algorithm>
#include <filesystem>

#include "ImapCorpus.h"
#include "ImapTesting.h"
#include "store/local/LocalFolder.h"

using namespace imaptest;
namespace fs = std::filesystem;

namespace {

class ImapExport : public ImapTest {
 protected:
  // Delivers the corpus into INBOX and keeps a copy of it as a local maildir.
  void DeliverCorpus(int count) {
    const auto messages = CorpusMessages(count);
    for (int i = 0; i < count; ++i) Deliver("", kFirstDelivery + 60L * i, messages[i], Flags(i));
    local = home / "local";
    fs::copy(maildir, local, fs::copy_options::recursive);
  }

  std::vector<std::string> ServedFileNames() const {
    std::vector<std::string> names;
    for (const char* sub : {"cur", "new"}) {
      for (const auto& entry : fs::directory_iterator(maildir + "/" + sub)) {
        names.push_back(std::string(sub) + "/" + entry.path().filename().string());
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string local;
};

}  // namespace

TEST_F(ImapExport, OfManyBatchesIsByteForByteTheLocalMaildirsAndChangesNoFlag) {
  DeliverCorpus(250);
  const auto namesBefore = ServedFileNames();
  StartServer();

  ExportTo fromImap(home / "imap.txt");
  auto inbox = Inbox(Open());
  ASSERT_TRUE(inbox);
  EXPECT_EQ(inbox->Messages()->Count(), 250);
  const exporter::Outcome outcome = Export(inbox, fromImap);
  EXPECT_FALSE(outcome.failed()) << outcome.walkFailure.value_or("");
  EXPECT_EQ(outcome.records, 250);
  EXPECT_EQ(outcome.unreadCount, 0);

  ExportTo fromLocal(home / "local.txt");
  auto localInbox = std::make_shared<store::local::LocalFolder>(
      "INBOX", store::local::FolderMessages{store::local::FolderMessages::Kind::Maildir, local});
  EXPECT_EQ(Export(localInbox, fromLocal).records, 250);

  const std::string exported = FileBytes(fromImap.path);
  EXPECT_GT(exported.size(), 100000u);
  EXPECT_TRUE(exported == FileBytes(fromLocal.path)) << "the exports differ";
  server->Stop();
  EXPECT_EQ(ServedFileNames(), namesBefore);
}

TEST_F(ImapExport, CountsTheMessagesAsTheMailboxWasWhenOpened) {
  DeliverCorpus(3);
  StartServer();
  auto inbox = Inbox(Open());
  auto messages = inbox->Messages();
  Deliver("", kFirstDelivery + 3600, GeneratedMessage(99));
  EXPECT_EQ(messages->Count(), 3);
  EXPECT_EQ(inbox->Messages()->Count(), 4);
}
