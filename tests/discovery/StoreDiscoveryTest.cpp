// Which mail stores a session finds in the user's home, in which order, under which names.

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(StoreDiscovery, AStoresMailLiesInItsOwnPlaceAndWhereverItsLinksLead) {
  TempHome home;
  home.Maildir("Maildir/.Work");
  home.Maildir("elsewhere/Archive");
  home.Write("elsewhere/old.mbox", kMbox);
  home.Write("Mail/inbox", kMbox);
  std::filesystem::create_directory_symlink(home / "elsewhere/Archive", home / "Maildir/.Archive");
  std::filesystem::create_symlink(home / "elsewhere/old.mbox", home / "Mail/old");
  std::filesystem::create_directory_symlink(home / "Mail", home / "Mail/loop");
  auto session = discovery::CreateSession();
  session->LogOn();
  auto locations = Each(session->InfoStores(), [](auto& s) { return s->Locations(); });
  ASSERT_EQ(locations.size(), 2u);
  auto has = [](const Names& all, const std::string& path) {
    return std::ranges::any_of(
        all, [&](const std::string& p) { return std::filesystem::equivalent(p, path); });
  };
  EXPECT_TRUE(has(locations[0], home / "Maildir"));
  EXPECT_TRUE(has(locations[0], home / "elsewhere/Archive"));
  EXPECT_TRUE(has(locations[1], home / "Mail"));
  EXPECT_TRUE(has(locations[1], home / "elsewhere/old.mbox")) << "a loop of links ends the walk";
}
