// The folders of a Maildir++ tree as the window lists them.

#include <gtest/gtest.h>

#include "StoreReading.h"
#include "TempHome.h"

using Names = std::vector<std::string>;

namespace {

void Deliver(const TempHome& home, const std::string& maildir, const std::string& subject) {
  static int n = 0;
  home.Write(maildir + "/cur/17000000" + std::to_string(++n) + ".M1P1.host:2,S",
             "Subject: " + subject + "\n\nbody\n");
}

}  // namespace

TEST(MaildirFolders, InboxFirstThenTopLevelFoldersByNameIgnoringCase) {
  TempHome home;
  home.Maildir("Maildir");
  home.Maildir("Maildir/.Sent");
  home.Maildir("Maildir/.archive");
  home.Maildir("Maildir/.Drafts");
  home.Maildir("Maildir/.Zeta");
  EXPECT_EQ(FolderNames(RootOf("Maildir")), (Names{"Inbox", "archive", "Drafts", "Sent", "Zeta"}));
}

TEST(MaildirFolders, DottedNamesAreSubfoldersAndMissingParentsShowEmpty) {
  TempHome home;
  home.Maildir("Maildir");
  home.Maildir("Maildir/.Work");
  home.Maildir("Maildir/.Work.Projects");
  home.Maildir("Maildir/.Work.Clients");
  home.Maildir("Maildir/.Lists.dev");  // no .Lists
  Deliver(home, "Maildir/.Work.Projects", "plan");

  EXPECT_EQ(FolderNames(RootOf("Maildir")), (Names{"Inbox", "Lists", "Work"}));
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Work"})), (Names{"Clients", "Projects"}));
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Lists"})), Names{"dev"});
  EXPECT_EQ(Subjects(FolderAt("Maildir", {"Work", "Projects"})), Names{"plan"});
  EXPECT_EQ(FolderAt("Maildir", {"Lists"})->Messages()->Count(), 0);
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Work", "Projects"})), Names{});
}

TEST(MaildirFolders, NamesAreDecodedFromModifiedUtf7AndRawUtf8IsKept) {
  TempHome home;
  home.Maildir("Maildir");
  home.Maildir("Maildir/.Entw&APw-rfe");
  home.Maildir("Maildir/.Entw&APw-rfe.&ZeVnLIqe-");
  home.Maildir("Maildir/.Gelöscht");
  home.Maildir("Maildir/.Q&-A");
  home.Maildir("Maildir/.Broken&Zm");  // not valid modified UTF-7: shown as it is

  EXPECT_EQ(FolderNames(RootOf("Maildir")),
            (Names{"Inbox", "Broken&Zm", "Entwürfe", "Gelöscht", "Q&A"}));
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Entwürfe"})), Names{"日本語"});
}

TEST(MaildirFolders, IndexFilesAndToolDirectoriesAreNotFolders) {
  TempHome home;
  home.Maildir("Maildir");
  home.Maildir("Maildir/.Sent");
  home.Write("Maildir/dovecot-uidlist", "3 V1 N1\n");
  home.Write("Maildir/dovecot.index.log", "x");
  home.Write("Maildir/subscriptions", "Sent\n");
  home.Write("Maildir/.Sent/maildirfolder", "");
  home.Directory("Maildir/courierimapkeywords");
  home.Directory("Maildir/.notmuch/xapian");
  home.Write("Maildir/.mbsyncstate", "");

  EXPECT_EQ(FolderNames(RootOf("Maildir")), (Names{"Inbox", "Sent"}));
}

TEST(MaildirFolders, FsLayoutChildMaildirsAreFoldersToo) {
  TempHome home;
  home.Maildir("Maildir/INBOX");
  home.Maildir("Maildir/Archive");
  home.Maildir("Maildir/Archive/2023");
  home.Directory("Maildir/Archive/attachments");  // no cur/: not a maildir
  Deliver(home, "Maildir/Archive/2023", "old");

  EXPECT_EQ(FolderNames(RootOf("Maildir")), (Names{"INBOX", "Archive"}));
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Archive"})), Names{"2023"});
  EXPECT_EQ(Subjects(FolderAt("Maildir", {"Archive", "2023"})), Names{"old"});
}

TEST(MaildirFolders, InboxHoldsTheRootMaildirsOwnMessages) {
  TempHome home;
  home.Maildir("Maildir");
  home.Maildir("Maildir/.Sent");
  Deliver(home, "Maildir", "to me");
  Deliver(home, "Maildir/.Sent", "from me");
  EXPECT_EQ(Subjects(FolderAt("Maildir", {"Inbox"})), Names{"to me"});
  EXPECT_EQ(Subjects(FolderAt("Maildir", {"Sent"})), Names{"from me"});
  EXPECT_EQ(RootOf("Maildir")->Name(), "Maildir");
  EXPECT_EQ(RootOf("Maildir")->Messages()->Count(), 0);
}
