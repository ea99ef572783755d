// Which IMAP accounts log-on finds in the user's home: the mail client profiles' servers, then
// the service's own account file; what is left out, and what the user is told about it.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "TempHome.h"
#include "discovery/AccountFinder.h"

using store::imap::Account;
using store::imap::Security;

namespace {

using Lines = std::vector<std::string>;

// Each account as "name | host:port | security | user".
Lines Described(const std::vector<Account>& accounts) {
  Lines lines;
  for (const Account& account : accounts) {
    const char* security = account.security == Security::Tls        ? "tls"
                           : account.security == Security::StartTls ? "starttls"
                                                                    : "none";
    lines.push_back(account.name + " | " + account.Server() + " | " + security + " | " +
                    account.user);
  }
  return lines;
}

struct Found {
  Lines accounts;
  std::string warnings;
};

Found Find() {
  std::ostringstream warnings;
  Lines accounts = Described(discovery::FindAccounts(warnings));
  return {accounts, warnings.str()};
}

// The prefs.js lines of server `n`, one per "key=value", the value written as prefs.js does.
std::string Server(int n, std::initializer_list<std::string> settings) {
  std::string lines;
  for (const std::string& setting : settings) {
    const size_t equals = setting.find('=');
    lines += "user_pref(\"mail.server.server" + std::to_string(n) + "." +
             setting.substr(0, equals) + "\", " + setting.substr(equals + 1) + ");\n";
  }
  return lines;
}

const char kProfiles[] =
    "[General]\nStartWithLastProfile=1\n\n"
    "[Profile0]\nName=home\nIsRelative=1\nPath=Profiles/x.home\nDefault=1\n";

class AccountDiscovery : public testing::Test {
 protected:
  TempHome home;
};

TEST_F(AccountDiscovery, AHomeWithoutEitherSourceHasNoAccountsAndNoWarnings) {
  home.Write(".thunderbird/profiles.ini", kProfiles);  // a profile without prefs.js
  home.Directory(".config/orvane");
  Found found = Find();
  EXPECT_EQ(found.accounts, Lines{});
  EXPECT_EQ(found.warnings, "");
}

TEST_F(AccountDiscovery, AProfileGivesItsImapServersOnlyWithTheirConnectionSecurity) {
  home.Write(".thunderbird/profiles.ini", kProfiles);
  home.Write(
      ".thunderbird/Profiles/x.home/prefs.js",
      "// Mozilla User Preferences\n" +
          Server(1, {R"(type="none")", R"(hostname="Local Folders")", R"(userName="nobody")"}) +
          // SSL/TLS on its usual port; the display name escaped
          Server(2, {R"(type="imap")", R"(hostname="imap.example.org")",
                     R"(userName="ann@example.org")", "socketType=3",
                     R"(name="Ann \"Work\" \u00c9t\u00e9")"}) +
          Server(3, {R"(type="pop3")", R"(hostname="pop.example.org")", R"(userName="ann")"}) +
          // STARTTLS on a port of its own; host and user changed after the account was made
          Server(4, {R"(type="imap")", R"(hostname="old.example.net")",
                     R"(realhostname="new.example.net")", R"(userName="old")",
                     R"(realuserName="bob")", "port=1143", "socketType=2", R"(name="Bob")"}) +
          // plain, as the account says, with the port unset (-1); no display name
          Server(10, {R"(type="imap")", R"(hostname="lan.example")", R"(userName="carol")",
                      "socketType=0", "port=-1"}) +
          // "try STARTTLS" would fall back to plain; STARTTLS is required instead
          Server(5, {R"(type="imap")", R"(hostname="try.example.org")", R"(userName="dan")",
                     "socketType=1", R"(name="Dan")"}) +
          // no socket type at all: never unprotected by default
          Server(6, {R"(type="imap")", R"(hostname="quiet.example.org")", R"(userName="eve")",
                     R"(name="Eve")"}) +
          "this line is junk\n" + Server(7, {R"(type="imap")", R"(hostname="unclosed.example)"}) +
          Server(8, {R"(type="imap")", R"(hostname="fay.example.org")", R"(userName="fay")",
                     "socketType=9"}) +
          Server(9, {R"(type="imap")", R"(hostname="gil.example.org")", R"(userName="gil")",
                     "port=70000"}) +
          Server(11, {R"(type="imap")", R"(hostname="bad host")", R"(userName="hal")"}));

  Found found = Find();
  EXPECT_EQ(found.accounts,
            (Lines{"Ann \"Work\" Été | imap.example.org:993 | tls | ann@example.org",
                   "Bob | new.example.net:1143 | starttls | bob",
                   "Dan | try.example.org:143 | starttls | dan",
                   "Eve | quiet.example.org:143 | starttls | eve",
                   "carol@lan.example | lan.example:143 | none | carol"}));
  std::string expected;
  for (const char* left : {"server7 is left out: no host",
                           "server8 is left out: unknown connection security (socketType)",
                           "server9 is left out: the port is not a port number",
                           "server11 is left out: the host name holds spaces, slashes or control "
                           "characters"}) {
    expected += "orvane: " + (home / ".thunderbird/Profiles/x.home/prefs.js") +
                ": the IMAP server " + left + "\n";
  }
  EXPECT_EQ(found.warnings, expected);
}

TEST_F(AccountDiscovery, EveryProfileIsReadInItsOrderWhereverItLives) {
  home.Write(".thunderbird/profiles.ini",
             "[Profile1]\nName=work\nIsRelative=0\nPath=" + (home / "elsewhere/work") +
                 "\n\n[Profile0]\nName=home\nIsRelative=1\nPath=Profiles/x.home\n");
  home.Write(".thunderbird/Profiles/x.home/prefs.js",
             Server(1, {R"(type="imap")", R"(hostname="home.example.org")", R"(userName="me")",
                        "socketType=3", R"(name="Home")"}));
  home.Write("elsewhere/work/prefs.js",
             Server(1, {R"(type="imap")", R"(hostname="work.example.org")", R"(userName="me")",
                        "socketType=3", R"(name="Work")"}));
  EXPECT_EQ(Find().accounts, (Lines{"Home | home.example.org:993 | tls | me",
                                    "Work | work.example.org:993 | tls | me"}));
}

TEST_F(AccountDiscovery, TheAccountFileGivesItsGoodSectionsInItsOrderAndNamesEveryBadOne) {
  home.Write(".config/orvane/accounts.conf",
             "\xEF\xBB\xBF# my accounts\r\n"
             "[zeta]\r\nname = Zeta Mail\r\nhost = imap.zeta.example\r\nport = 993\r\n"
             "security = tls\r\nuser = z@zeta.example\r\n\r\n"
             "[alpha]\nhost=mail.alpha.example\nsecurity=STARTTLS\nuser=al\n"
             "; the section's name stands in for a missing one; tls without saying\n"
             "[ Quoted ]\nname = \"  spaced, with a comma  \"\nhost = q.example\nuser = q\n"
             "[plain]\nhost = 192.168.1.5\nport = 10143\nsecurity = none\nuser = p\n"
             "[no host]\nuser = x\nsecurity = tls\n"
             "[empty host]\nhost =\nuser = x\n"
             "[big port]\nhost = h.example\nport = 70000\nuser = x\n"
             "[word port]\nhost = h.example\nport = imap\nuser = x\n"
             "[zero port]\nhost = h.example\nport = 0\nuser = x\n"
             "[ssl]\nhost = h.example\nsecurity = ssl\nuser = x\n"
             "[typo]\nhost = h.example\nsecurty = none\nuser = x\n"
             "[twice]\nhost = h.example\nsecurity = tls\nsecurity = none\nuser = x\n"
             "[no user]\nhost = h.example\n"
             "[garbled]\nhost = h.example\nthis is no key value line\nuser = x\n"
             "[unclosed\nhost = h.example\nuser = x\n");
  Found found = Find();
  EXPECT_EQ(found.accounts, (Lines{"Zeta Mail | imap.zeta.example:993 | tls | z@zeta.example",
                                   "alpha | mail.alpha.example:143 | starttls | al",
                                   "  spaced, with a comma   | q.example:993 | tls | q",
                                   "plain | 192.168.1.5:10143 | none | p"}));
  const std::string file = home / ".config/orvane/accounts.conf";
  std::string expected;
  for (const char* left : {
           "[no host] on line 23 is left out: no host",
           "[empty host] on line 26 is left out: no host",
           "[big port] on line 29 is left out: the port \"70000\" is not a number from 1 to 65535",
           "[word port] on line 33 is left out: the port \"imap\" is not a number from 1 to 65535",
           "[zero port] on line 37 is left out: the port \"0\" is not a number from 1 to 65535",
           "[ssl] on line 41 is left out: unknown security \"ssl\" (tls, starttls or none)",
           "[typo] on line 45 is left out: unknown key \"securty\" on line 47",
           "[twice] on line 49 is left out: \"security\" is given twice",
           "[no user] on line 54 is left out: no user name",
           "[garbled] on line 56 is left out: line 58 is not a key = value line",
           "[unclosed] on line 60 is left out: its heading has no closing ]",
       }) {
    expected += "orvane: " + file + ": the account " + left + "\n";
  }
  EXPECT_EQ(found.warnings, expected);
}

TEST_F(AccountDiscovery, LinesBeforeAnySectionAreIgnoredWithAWarning) {
  home.Write(".config/orvane/accounts.conf",
             "host = stray.example\n[ok]\nhost = ok.example\nuser = u\n");
  Found found = Find();
  EXPECT_EQ(found.accounts, Lines{"ok | ok.example:993 | tls | u"});
  EXPECT_EQ(found.warnings, "orvane: " + (home / ".config/orvane/accounts.conf") +
                                ": line 1 is ignored: it belongs to no [section]\n");
}

TEST_F(AccountDiscovery, TheAccountFileIsFoundWhereXdgConfigHomeSaysAndOnlyThere) {
  home.Write(".config/orvane/accounts.conf", "[home]\nhost = home.example\nuser = u\n");
  home.Write("xdg/orvane/accounts.conf", "[xdg]\nhost = xdg.example\nuser = u\n");
  EXPECT_EQ(Find().accounts, Lines{"home | home.example:993 | tls | u"});
  home.SetEnv("XDG_CONFIG_HOME", home / "xdg");
  EXPECT_EQ(Find().accounts, Lines{"xdg | xdg.example:993 | tls | u"});
  // A relative XDG_CONFIG_HOME is not a place; ~/.config counts then.
  home.SetEnv("XDG_CONFIG_HOME", "xdg");
  EXPECT_EQ(Find().accounts, Lines{"home | home.example:993 | tls | u"});
  home.SetEnv("XDG_CONFIG_HOME", "");
  EXPECT_EQ(Find().accounts, Lines{"home | home.example:993 | tls | u"});
}

TEST_F(AccountDiscovery, AnUnreadableAccountFileIsSaidAndCostsNothingElse) {
  home.Write(".thunderbird/profiles.ini", kProfiles);
  home.Write(".thunderbird/Profiles/x.home/prefs.js",
             Server(1, {R"(type="imap")", R"(hostname="imap.example.org")", R"(userName="ann")",
                        "socketType=3", R"(name="Ann")"}));
  const std::string file = home.Write(".config/orvane/accounts.conf", "[a]\nhost = a\nuser = u\n");
  namespace fs = std::filesystem;
  fs::permissions(file, fs::perms::none);
  fs::permissions(home.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  // Root reads every file, so the search is made as nobody, in a child process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        Found found = Find();
        std::fprintf(stderr, "%s", found.warnings.c_str());
        _exit(found.accounts == Lines{"Ann | imap.example.org:993 | tls | ann"} ? 0 : 1);
      },
      testing::ExitedWithCode(0),
      "orvane: /[^ ]*/\\.config/orvane/accounts\\.conf cannot be read: Permission denied\n");
}

TEST_F(AccountDiscovery, TheSameAccountFoundTwiceIsListedOnceWhereFirstFound) {
  home.Write(".thunderbird/profiles.ini", kProfiles);
  home.Write(".thunderbird/Profiles/x.home/prefs.js",
             Server(1, {R"(type="imap")", R"(hostname="IMAP.Example.org")", R"(userName="ann")",
                        "socketType=3", R"(name="From the profile")"}));
  home.Write(".config/orvane/accounts.conf",
             // the same server and user, the port said outright
             "[again]\nhost = imap.example.org\nport = 993\nuser = ann\n"
             // another user on that server, and another port: other accounts
             "[other user]\nhost = imap.example.org\nuser = bob\n"
             "[other port]\nhost = imap.example.org\nport = 143\nsecurity = starttls\nuser = ann\n"
             "[other port again]\nhost = imap.example.org\nport = 143\nsecurity = none\n"
             "user = ann\n");
  EXPECT_EQ(Find().accounts, (Lines{"From the profile | IMAP.Example.org:993 | tls | ann",
                                    "other user | imap.example.org:993 | tls | bob",
                                    "other port | imap.example.org:143 | starttls | ann"}));
}

}  // namespace
