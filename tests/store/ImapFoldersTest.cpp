// The mailboxes of an IMAP account as folders: the server's hierarchy, its names decoded, INBOX
// first, and mailboxes that only hold others shown without messages.

#include "ImapTesting.h"

using namespace imaptest;

namespace {

using ImapFolders = ImapTest;

std::string Message(const std::string& subject) {
  return "From: Ann <ann@example.org>\r\nTo: Bob <bob@example.org>\r\nSubject: " + subject +
         "\r\nDate: Mon, 4 Mar 2024 10:00:00 +0000\r\nMessage-ID: <" + subject +
         "@example.org>\r\n\r\nHello.\r\n";
}

}  // namespace

TEST_F(ImapFolders, AreTheServersHierarchyInboxFirstThenByNameWithNamesDecoded) {
  Deliver("", 1709546400, Message("inbox"));
  Deliver("zeta", 1709546400, Message("zeta"));
  Deliver("Entw&APw-rfe", 1709546400, Message("draft"));
  Deliver("Archive.2024", 1709546400, Message("old"));
  Deliver("Archive.2023", 1709546400, Message("older"));
  Deliver("alpha", 1709546400, Message("alpha"));
  Deliver("Old \"mail\"", 1709546400, Message("quoted"));
  StartServer();

  auto account = Open();
  EXPECT_EQ(account->Name(), "Work mail");
  auto top = account->RootFolder()->Folders();
  ASSERT_EQ(NamesOf(top).size(), 6u);
  EXPECT_EQ(NamesOf(top), (std::vector<std::string>{"INBOX", "alpha", "Archive", "Entwürfe",
                                                    "Old \"mail\"", "zeta"}));
  EXPECT_EQ(NamesOf(Named(top, "Archive")->Folders()), (std::vector<std::string>{"2023", "2024"}));
  EXPECT_EQ(NamesOf(Named(top, "Entwürfe")->Folders()), std::vector<std::string>{});
  EXPECT_EQ(Named(top, "Entwürfe")->Messages()->Count(), 1);
  EXPECT_EQ(Named(top, "Old \"mail\"")->Messages()->Count(), 1);
  EXPECT_EQ(Named(Named(top, "Archive")->Folders(), "2024")->Messages()->Count(), 1);
}

TEST_F(ImapFolders, AMailboxThatOnlyHoldsOthersIsListedAndHasNoMessages) {
  Deliver("Lists.orvane", 1709546400, Message("list"));
  StartServer();

  auto lists = Named(Open()->RootFolder()->Folders(), "Lists");
  ASSERT_TRUE(lists);
  auto messages = lists->Messages();
  EXPECT_EQ(messages->Count(), 0);
  std::shared_ptr<store::Message> message;
  store::Walk walk(messages, message);
  EXPECT_TRUE(walk.done());
  EXPECT_EQ(NamesOf(lists->Folders()), std::vector<std::string>{"orvane"});
}

TEST_F(ImapFolders, AreListedAgainAfterTheServerDroppedTheAccountsConnection) {
  Deliver("alpha", 1709546400, Message("alpha"));
  StartServer();
  auto account = Open();
  server->Stop();
  server->Start();
  EXPECT_EQ(NamesOf(account->RootFolder()->Folders()),
            (std::vector<std::string>{"INBOX", "alpha"}));
}
