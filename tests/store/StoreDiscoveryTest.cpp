// Which mail stores a session finds in the user's home, in which order, under which names.

#include <gtest/gtest.h>

#include <filesystem>

#include "StoreReading.h"

namespace {

const char kMbox[] = "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: hello\n\nhi\n";

}  // namespace

TEST(StoreDiscovery, AHomeWithoutMailHasNoStoresUntilMailArrives) {
  TempHome home;
  home.Directory("Documents");
  home.Directory("Maildir");  // no maildir inside
  home.SetEnv("MAIL", home.Write("spool/me", ""));
  EXPECT_EQ(StoreNames(), Names{});
  home.Write("Mail/inbox", kMbox);
  home.Write("spool/me", kMbox);
  EXPECT_EQ(StoreNames(), (Names{"Mail", "Inbox (spool)"}));
}

TEST(StoreDiscovery, FindsEveryKindOfStoreInItsOrderWithEveryAccountOfEveryProfile) {
  TempHome home;
  home.Maildir("Maildir");
  home.Write("Mail/inbox", kMbox);
  home.Write("mail/saved", kMbox);
  home.Write(".thunderbird/profiles.ini",
             "[General]\nStartWithLastProfile=1\n\n[Profile1]\nName=work\nIsRelative=0\nPath=" +
                 (home / "elsewhere/work") +
                 "\n\n[Profile0]\nName=home\nIsRelative=1\nPath=Profiles/x.home\nDefault=1\n");
  home.Write(".thunderbird/Profiles/x.home/Mail/Local Folders/Inbox", kMbox);
  home.Write(".thunderbird/Profiles/x.home/Mail/pop.example.org/Inbox", kMbox);
  home.Write("elsewhere/work/ImapMail/imap.example.org/INBOX", "");
  home.Write("elsewhere/work/Mail/.hidden/Inbox", kMbox);
  home.SetEnv("MAIL", home.Write("spool/me", kMbox));

  EXPECT_EQ(StoreNames(), (Names{"Maildir", "Mail", "mail", "Local Folders", "pop.example.org",
                                 "imap.example.org", "Inbox (spool)"}));
}

TEST(StoreDiscovery, MaildirVariableNamesTheMaildirWhenItIsOne) {
  TempHome home;
  home.Maildir("Maildir");
  home.Maildir("mailboxes/Personal");
  home.SetEnv("MAILDIR", home / "nowhere");
  EXPECT_EQ(StoreNames(), Names{"Maildir"});
  home.SetEnv("MAILDIR", home / "mailboxes/Personal/");
  EXPECT_EQ(StoreNames(), Names{"Personal"});
}

TEST(StoreDiscovery, ADirectoryReachedTwiceIsListedOnce) {
  TempHome home;
  home.Write("mail/inbox", kMbox);
  std::filesystem::create_directory_symlink(home / "mail", home / "Mail");
  EXPECT_EQ(StoreNames(), Names{"Mail"});
}
