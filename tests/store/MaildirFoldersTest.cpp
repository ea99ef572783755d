// The folders of a Maildir++ tree as the window lists them.

#include <gtest/gtest.h>

#include <filesystem>

#include "StoreReading.h"

namespace {

void Deliver(const TempHome& home, const std::string& maildir, const std::string& subject) {
  home.Write(maildir + "/cur/1700000000.M1P1.host:2,S", "Subject: " + subject + "\n\nbody\n");
}

}  // namespace

TEST(MaildirFolders, InboxThenTopLevelFoldersByNameIgnoringCaseWithDottedSubfolders) {
  TempHome home;
  for (const char* maildir : {"", "/.Sent", "/.archive", "/.Work", "/.Work.Projects",
                              "/.Work.Clients", "/.Lists.dev"}) {  // no .Lists
    home.Maildir("Maildir" + std::string(maildir));
  }
  Deliver(home, "Maildir", "to me");
  Deliver(home, "Maildir/.Sent", "from me");
  Deliver(home, "Maildir/.Work.Projects", "plan");
  // Index files and the directories of other tools are not folders.
  for (const char* file : {"dovecot-uidlist", "dovecot.index.log", "subscriptions",
                           ".Sent/maildirfolder", ".mbsyncstate"}) {
    home.Write("Maildir/" + std::string(file), "");
  }
  home.Directory("Maildir/courierimapkeywords");
  home.Directory("Maildir/.notmuch/xapian");

  EXPECT_EQ(FolderAt("Maildir")->Name(), "Maildir");
  EXPECT_EQ(FolderAt("Maildir")->Messages()->Count(), 0);
  EXPECT_EQ(FolderNames(FolderAt("Maildir")), (Names{"Inbox", "archive", "Lists", "Sent", "Work"}));
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Inbox"})), Names{"to me"});
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Sent"})), Names{"from me"});
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Work"})), (Names{"Clients", "Projects"}));
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Work", "Projects"})), Names{"plan"});
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Work", "Projects"})), Names{});
  // A missing parent shows as an empty folder.
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Lists"})), Names{"dev"});
  EXPECT_EQ(FolderAt("Maildir", {"Lists"})->Messages()->Count(), 0);
}

TEST(MaildirFolders, NamesAreDecodedFromModifiedUtf7AndRawUtf8IsKept) {
  TempHome home;
  for (const char* maildir : {"", "/.Entw&APw-rfe", "/.Entw&APw-rfe.&ZeVnLIqe-", "/.Gelöscht",
                              "/.Q&-A", "/.Broken&Zm"}) {  // not valid modified UTF-7: as it is
    home.Maildir("Maildir" + std::string(maildir));
  }
  EXPECT_EQ(FolderNames(FolderAt("Maildir")),
            (Names{"Inbox", "Broken&Zm", "Entwürfe", "Gelöscht", "Q&A"}));
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Entwürfe"})), Names{"日本語"});
}

TEST(MaildirFolders, FsLayoutChildMaildirsAreFoldersToo) {
  TempHome home;
  home.Maildir("Maildir/INBOX");  // the root has no cur/ of its own
  home.Maildir("Maildir/Archive");
  home.Maildir("Maildir/Archive/2023");
  home.Directory("Maildir/Archive/attachments");  // no cur/: not a maildir
  Deliver(home, "Maildir/Archive/2023", "old");
  EXPECT_EQ(FolderNames(FolderAt("Maildir")), (Names{"INBOX", "Archive"}));
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Archive"})), Names{"2023"});
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Archive", "2023"})), Names{"old"});
}

TEST(MaildirFolders, FoldersThatCannotBeLookedIntoAreListedAndTheirMessagesSayWhy) {
  TempHome home;
  for (const char* maildir : {"", "/.Private", "/.Work", "/.Work.Secret", "/Archive"}) {
    home.Maildir("Maildir" + std::string(maildir));
  }
  for (const char* locked : {"/.Private", "/.Work.Secret", "/Archive"}) {
    std::filesystem::permissions(home / ("Maildir" + std::string(locked)),
                                 std::filesystem::perms::none);
  }
  auto denied = [&](const std::string& maildir) {
    return "<unreadable: " + (home / "Maildir/") + maildir + "/cur: Permission denied>";
  };
  ExpectAsNobody(home,
                 [] {
                   return Names{Joined(FolderNames(FolderAt("Maildir"))),
                                Joined(FolderNames(FolderAt("Maildir", {"Work"}))),
                                Listed("Maildir", {"Private"}),
                                Listed("Maildir", {"Work", "Secret"}),
                                Listed("Maildir", {"Archive"})};
                 },
                 {"Inbox, Archive, Private, Work", "Secret", denied(".Private"),
                  denied(".Work.Secret"), denied("Archive")});
}
