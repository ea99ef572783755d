// Which mail stores a session finds in the user's home, in which order, under which names.

#include <gtest/gtest.h>

#include <filesystem>

#include "StoreReading.h"
#include "TempHome.h"

using Names = std::vector<std::string>;

namespace {

const char kMbox[] = "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: hello\n\nhi\n";

void Profiles(const TempHome& home, const std::string& ini) {
  home.Write(".thunderbird/profiles.ini", ini);
}

}  // namespace

TEST(StoreDiscovery, AHomeWithoutMailHasNoStores) {
  TempHome home;
  home.Directory("Documents");
  EXPECT_EQ(StoreNames(), Names{});
}

TEST(StoreDiscovery, FindsEveryKindOfStoreInItsOrder) {
  TempHome home;
  home.Maildir("Maildir");
  home.Write("Mail/inbox", kMbox);
  home.Write("mail/saved", kMbox);
  Profiles(home,
           "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\nIsRelative=1\n"
           "Path=abcd.default\nDefault=1\n");
  home.Write(".thunderbird/abcd.default/Mail/Local Folders/Inbox", kMbox);
  home.Write(".thunderbird/abcd.default/ImapMail/imap.example.org/INBOX", "");
  home.SetEnv("MAIL", home.Write("spool/me", kMbox));

  EXPECT_EQ(StoreNames(), (Names{"Maildir", "Mail", "mail", "Local Folders", "imap.example.org",
                                 "Inbox (spool)"}));
}

TEST(StoreDiscovery, MaildirVariableNamesTheMaildirInsteadOfTheDefault) {
  TempHome home;
  home.Maildir("Maildir");
  home.Maildir("mailboxes/Personal");
  home.SetEnv("MAILDIR", home / "mailboxes/Personal/");
  EXPECT_EQ(StoreNames(), Names{"Personal"});
}

TEST(StoreDiscovery, MaildirVariableThatNamesNoMaildirFallsBackToTheDefault) {
  TempHome home;
  home.Maildir("Maildir");
  home.SetEnv("MAILDIR", home / "nowhere");
  EXPECT_EQ(StoreNames(), Names{"Maildir"});
}

TEST(StoreDiscovery, MaildirInFsLayoutWithoutItsOwnInboxIsStillAStore) {
  TempHome home;
  home.Maildir("Maildir/INBOX");
  home.Maildir("Maildir/Sent");
  EXPECT_EQ(StoreNames(), Names{"Maildir"});
}

TEST(StoreDiscovery, EmptyMaildirDirectoryIsNoStore) {
  TempHome home;
  home.Directory("Maildir");
  EXPECT_EQ(StoreNames(), Names{});
}

TEST(StoreDiscovery, ADirectoryReachedTwiceIsListedOnce) {
  TempHome home;
  home.Write("mail/inbox", kMbox);
  std::filesystem::create_directory_symlink(home / "mail", home / "Mail");
  EXPECT_EQ(StoreNames(), Names{"Mail"});
}

TEST(StoreDiscovery, ThunderbirdProfilesAnywhereWithEveryAccount) {
  TempHome home;
  Profiles(home, "[Profile1]\nName=work\nIsRelative=0\nPath=" + (home / "elsewhere/work") +
                     "\n\n[Profile0]\nName=home\nIsRelative=1\nPath=Profiles/x.home\n");
  home.Write(".thunderbird/Profiles/x.home/Mail/Local Folders/Inbox", kMbox);
  home.Write(".thunderbird/Profiles/x.home/Mail/pop.example.org/Inbox", kMbox);
  home.Write("elsewhere/work/ImapMail/imap.work.example/INBOX", kMbox);
  home.Write("elsewhere/work/Mail/.hidden/Inbox", kMbox);
  EXPECT_EQ(StoreNames(), (Names{"Local Folders", "pop.example.org", "imap.work.example"}));
}

TEST(StoreDiscovery, SpoolIsFoundThroughMailOnlyWhenItHoldsSomething) {
  TempHome home;
  home.SetEnv("MAIL", home.Write("spool/me", ""));
  EXPECT_EQ(StoreNames(), Names{});
  home.Write("spool/me", kMbox);
  EXPECT_EQ(StoreNames(), Names{"Inbox (spool)"});
  EXPECT_EQ(Subjects(FolderAt("Inbox (spool)", {"Inbox"})), Names{"hello"});
}

TEST(StoreDiscovery, StoresAreFoundAgainAtEveryLogOn) {
  TempHome home;
  EXPECT_EQ(StoreNames(), Names{});
  home.Write("Mail/inbox", kMbox);
  EXPECT_EQ(StoreNames(), Names{"Mail"});
}
