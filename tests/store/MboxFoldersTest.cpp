// The folders of directories of mbox files: a mutt-style ~/Mail and Thunderbird accounts.

#include <gtest/gtest.h>

#include <filesystem>

#include "StoreReading.h"

namespace {

std::string Mbox(const std::string& subject, const std::string& status = "") {
  return "From a@example.org Mon Jan  1 00:00:00 2024\n" + status + "Subject: " + subject +
         "\n\nbody\n\n";
}

}  // namespace

TEST(MboxFolders, MuttMailDirectoryListsMboxFilesMaildirsAndPlainDirectoriesInboxFirst) {
  TempHome home;
  home.Write("Mail/inbox", Mbox("in"));
  home.Write("Mail/sent", Mbox("out"));
  home.Write("Mail/postponed", "");  // empty: still a folder
  home.Write("Mail/notes.txt", "not mail\n");
  home.Maildir("Mail/lists");
  home.Write("Mail/lists/new/1700000000.1.host", "Subject: list mail\n\nx\n");
  home.Write("Mail/Archive/2022", Mbox("old"));
  home.Write("Mail/Archive/2023", Mbox("newer"));
  for (const char* name : {"work", "Work", "WORK"}) home.Write("Mail/" + std::string(name), "");

  // Names that differ only in case keep a fixed order.
  EXPECT_EQ(FolderNames(FolderAt("Mail")),
            (Names{"inbox", "Archive", "lists", "postponed", "sent", "WORK", "Work", "work"}));
  EXPECT_EQ(FolderNames(FolderAt("Mail", {"Archive"})), (Names{"2022", "2023"}));
  EXPECT_EQ(FolderAt("Mail", {"Archive"})->Messages()->Count(), 0);
  EXPECT_EQ(Fields(FolderAt("Mail", {"Archive", "2023"})), Names{"newer"});
  EXPECT_EQ(Fields(FolderAt("Mail", {"lists"})), Names{"list mail"});
  EXPECT_EQ(FolderNames(FolderAt("Mail", {"lists"})), Names{});
  EXPECT_EQ(FolderAt("Mail", {"postponed"})->Messages()->Count(), 0);
  EXPECT_EQ(Fields(FolderAt("Mail", {"postponed"})), Names{});
}

TEST(MboxFolders, ThunderbirdLocalFoldersWithSbdSubfoldersAndDeletedMessages) {
  TempHome home;
  home.Write(".thunderbird/profiles.ini",
             "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
  const std::string local = ".thunderbird/p.default/Mail/Local Folders/";
  home.Write(local + "Inbox", Mbox("first", "X-Mozilla-Status: 0001\n") +
                                  Mbox("deleted", "X-Mozilla-Status: 0009\n") +
                                  Mbox("deleted too", "x-mozilla-status:  000b\n") +
                                  "From - Mon Jan  1 00:00:00 2024\nSubject: status in the body\n\n"
                                  "X-Mozilla-Status: 0008\n\n");
  home.Write(local + "Trash", "");
  home.Write(local + "Archives", "");
  home.Write(local + "Archives.sbd/2024", Mbox("archived"));
  home.Write(local + "Projects.sbd/Orvane", Mbox("project"));  // no Projects file
  // Empty, so that only their names keep them from being folders.
  for (const char* ignored :
       {"Inbox.msf", "Archives.sbd/2024.msf", "msgFilterRules.dat", "popstate.dat",
        "folderTree.json", "filterlog.html", "dovecot.index", ".parentlock"}) {
    home.Write(local + ignored, "");
  }
  home.Directory(local + "tmp");

  EXPECT_EQ(StoreNames(), Names{"Local Folders"});
  EXPECT_EQ(FolderNames(FolderAt("Local Folders")),
            (Names{"Inbox", "Archives", "Projects", "Trash"}));
  EXPECT_EQ(FolderNames(FolderAt("Local Folders", {"Archives"})), Names{"2024"});
  EXPECT_EQ(Fields(FolderAt("Local Folders", {"Archives", "2024"})), Names{"archived"});
  EXPECT_EQ(FolderAt("Local Folders", {"Projects"})->Messages()->Count(), 0);
  EXPECT_EQ(Fields(FolderAt("Local Folders", {"Projects", "Orvane"})), Names{"project"});
  auto inbox = FolderAt("Local Folders", {"Inbox"});
  EXPECT_EQ(inbox->Messages()->Count(), 2);
  EXPECT_EQ(Fields(inbox), (Names{"first", "status in the body"}));
}

TEST(MboxFolders, AFileOrDirectoryThatCannotBeReadIsAFolderWhoseMessagesSayWhy) {
  TempHome home;
  home.Write("Mail/inbox", Mbox("in"));
  const std::string locked = home.Write("Mail/locked", Mbox("secret"));
  const std::string shut = home.Maildir("Mail/shut");
  const std::string index = home.Write("Mail/locked.msf", "");  // never a folder, readable or not
  for (const std::string& path : {locked, shut, index}) {
    std::filesystem::permissions(path, std::filesystem::perms::none);
  }
  ExpectAsNobody(home,
                 [] {
                   return Names{Joined(FolderNames(FolderAt("Mail"))), Listed("Mail", {"locked"}),
                                Listed("Mail", {"shut"})};
                 },
                 {"inbox, locked, shut", "<unreadable: " + locked + ": Permission denied>",
                  "<unreadable: " + shut + "/cur: Permission denied>"});
}
