// The folders of directories of mbox files: a mutt-style ~/Mail and Thunderbird accounts.

#include <gtest/gtest.h>

#include "StoreReading.h"
#include "TempHome.h"

using Names = std::vector<std::string>;

namespace {

std::string Mbox(const std::string& subject) {
  return "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: " + subject + "\n\nbody\n\n";
}

}  // namespace

TEST(MboxFolders, MuttMailDirectoryListsMboxFilesMaildirsAndPlainDirectories) {
  TempHome home;
  home.Write("Mail/inbox", Mbox("in"));
  home.Write("Mail/sent", Mbox("out"));
  home.Write("Mail/postponed", "");  // empty: still a folder
  home.Write("Mail/notes.txt", "not mail\n");
  home.Maildir("Mail/lists");
  home.Write("Mail/lists/new/1700000000.1.host", "Subject: list mail\n\nx\n");
  home.Write("Mail/archive/2022", Mbox("old"));
  home.Write("Mail/archive/2023", Mbox("newer"));

  EXPECT_EQ(FolderNames(RootOf("Mail")), (Names{"inbox", "archive", "lists", "postponed", "sent"}));
  EXPECT_EQ(FolderNames(FolderAt("Mail", {"archive"})), (Names{"2022", "2023"}));
  EXPECT_EQ(FolderAt("Mail", {"archive"})->Messages()->Count(), 0);
  EXPECT_EQ(Subjects(FolderAt("Mail", {"archive", "2023"})), Names{"newer"});
  EXPECT_EQ(Subjects(FolderAt("Mail", {"lists"})), Names{"list mail"});
  EXPECT_EQ(FolderNames(FolderAt("Mail", {"lists"})), Names{});
}

TEST(MboxFolders, ThunderbirdLocalFoldersWithSbdSubfoldersAndADeletedMessage) {
  TempHome home;
  home.Write(".thunderbird/profiles.ini",
             "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
  const std::string local = ".thunderbird/p.default/Mail/Local Folders/";
  home.Write(local + "Inbox", Mbox("first") +
                                  "From - Tue Jan  2 00:00:00 2024\nX-Mozilla-Status: 0009\n"
                                  "Subject: deleted\n\nx\n\n" +
                                  Mbox("third"));
  home.Write(local + "Inbox.msf", "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n");
  home.Write(local + "Trash", "");
  home.Write(local + "Archives", "");
  home.Write(local + "Archives.sbd/2024", Mbox("archived"));
  home.Write(local + "Archives.sbd/2024.msf", "");
  home.Write(local + "Projects.sbd/Orvane", Mbox("project"));  // no Projects file
  home.Write(local + "msgFilterRules.dat", "version=\"9\"\n");
  home.Write(local + "popstate.dat", "# POP3 State File\n");
  home.Write(local + "folderTree.json", "{}");
  home.Write(local + "filterlog.html", "<p></p>");
  home.Write(local + "dovecot.index", "");
  home.Write(local + ".parentlock", "");
  home.Directory(local + "tmp");

  EXPECT_EQ(StoreNames(), Names{"Local Folders"});
  EXPECT_EQ(FolderNames(RootOf("Local Folders")),
            (Names{"Inbox", "Archives", "Projects", "Trash"}));
  EXPECT_EQ(FolderNames(FolderAt("Local Folders", {"Archives"})), Names{"2024"});
  EXPECT_EQ(Subjects(FolderAt("Local Folders", {"Archives", "2024"})), Names{"archived"});
  EXPECT_EQ(FolderAt("Local Folders", {"Projects"})->Messages()->Count(), 0);
  EXPECT_EQ(Subjects(FolderAt("Local Folders", {"Projects", "Orvane"})), Names{"project"});

  auto inbox = FolderAt("Local Folders", {"Inbox"});
  EXPECT_EQ(inbox->Messages()->Count(), 2);
  EXPECT_EQ(Subjects(inbox), (Names{"first", "third"}));
}

TEST(MboxFolders, InboxComesFirstWhateverItsCase) {
  TempHome home;
  home.Write("Mail/Archive", "");
  home.Write("Mail/INBOX", "");
  home.Write("Mail/drafts", "");
  EXPECT_EQ(FolderNames(RootOf("Mail")), (Names{"INBOX", "Archive", "drafts"}));
}

TEST(MboxFolders, FoldersThatDifferOnlyInCaseKeepAFixedOrder) {
  TempHome home;
  home.Write("Mail/work", "");
  home.Write("Mail/Work", "");
  home.Write("Mail/WORK", "");
  EXPECT_EQ(FolderNames(RootOf("Mail")), (Names{"WORK", "Work", "work"}));
}
