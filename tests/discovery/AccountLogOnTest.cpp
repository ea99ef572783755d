// Logging on to the user's IMAP accounts: each account's password is asked for after the stores
// on disk are listed, a failure is said on the next ask, and a skipped account is left out. The
// accounts' server is a loopback port where nothing listens, so every try really fails.

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ClosedPort.h"
#include "StoreReading.h"
#include "discovery/PasswordPrompt.h"
#include "store/imap/ImapStore.h"

namespace {

using Answers = std::deque<std::optional<std::string>>;

// Stands for the user: answers each ask with the next of its answers (nothing = skip) and notes
// "account | server | problem" for each. With no answers left it skips.
class AnsweringPrompt : public discovery::PasswordPrompt {
 public:
  explicit AnsweringPrompt(Answers answers) : answers_(std::move(answers)) {}

  std::optional<std::string> AskPassword(const std::string& account, const std::string& server,
                                         const std::string& problem) override {
    asked.push_back(account + " | " + server + " | " + problem);
    if (answers_.empty()) return std::nullopt;
    std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  void Explain(const std::string& account, const std::string& text) override {
    asked.push_back(account + " | explained | " + text);
  }

  Names asked;

 private:
  Answers answers_;
};

// What the store says when it cannot open the account.
std::string Refusal(const store::imap::Account& account) {
  try {
    store::imap::OpenImapStore(account, "any");
  } catch (const store::Error& error) {
    return error.what();
  }
  return "";
}

// An empty password is tried like any other rather than taken for a skip; a session without a
// prompt asks nobody.
TEST(AccountLogOn, AFailedLogOnIsAskedAgainWithItsReasonUntilSkippedAndEveryLogOnFindsAfresh) {
  TempHome home;
  ClosedPort closed;
  home.Maildir("Maildir");
  home.Write("Mail/inbox", "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: hi\n\nhi\n");
  const std::string port = std::to_string(closed.port()), server = "127.0.0.1:" + port;
  home.Write(".config/orvane/accounts.conf",
             "[Work]\nhost = 127.0.0.1\nport = " + port + "\nsecurity = none\nuser = ann\n" +
                 "[Home]\nhost = 127.0.0.1\nport = " + port + "\nsecurity = none\nuser = bob\n");
  const std::string reason =
      Refusal({"Work", "127.0.0.1", closed.port(), store::imap::Security::None, "ann"});
  ASSERT_FALSE(reason.empty());

  auto prompt = std::make_shared<AnsweringPrompt>(Answers{"", "second", std::nullopt});
  auto session = discovery::CreateSessionWithAccounts(prompt);
  session->LogOn();
  EXPECT_EQ(Each(session->InfoStores(), [](auto& store) { return store->Name(); }),
            (Names{"Maildir", "Mail"}));
  EXPECT_EQ(StoreNames(), (Names{"Maildir", "Mail"}));
  home.Write(".config/orvane/accounts.conf", "[New]\nhost = 127.0.0.1\nuser = cy\n");
  session->LogOff();
  session->LogOn();
  EXPECT_EQ(prompt->asked, (Names{"Work | " + server + " | ", "Work | " + server + " | " + reason,
                                  "Work | " + server + " | " + reason, "Home | " + server + " | ",
                                  "New | 127.0.0.1:993 | "}));
}

// A profile's OAuth2 account without a client id of the user's own is not signed in: the user is
// told which lines to add to which file, and the account is left out. Once they are there, its
// sign-in is asked for (and here cancelled, as no window can show it).
TEST(AccountLogOn, AProfileOAuth2AccountWithoutAClientIdIsExplainedWhichLinesToAddWhere) {
  TempHome home;
  home.Write(".thunderbird/profiles.ini", "[Profile0]\nPath=p\n");
  home.Write(".thunderbird/p/prefs.js",
             "user_pref(\"mail.server.server1.type\", \"imap\");\n"
             "user_pref(\"mail.server.server1.hostname\", \"outlook.office365.com\");\n"
             "user_pref(\"mail.server.server1.userName\", \"ann@example.com\");\n"
             "user_pref(\"mail.server.server1.socketType\", 3);\n"
             "user_pref(\"mail.server.server1.authMethod\", 10);\n"
             "user_pref(\"mail.server.server1.name\", \"Work\");\n");
  auto prompt = std::make_shared<AnsweringPrompt>(Answers{});
  auto session = discovery::CreateSessionWithAccounts(prompt);
  session->LogOn();
  const std::string lines =
      "[Work]\nhost = outlook.office365.com\nport = 993\nsecurity = tls\nuser = ann@example.com\n"
      "auth = oauth2\nprovider = microsoft\nclient_id = YOUR-CLIENT-ID\n";
  EXPECT_EQ(prompt->asked,
            (Names{"Work | explained | The account \u201CWork\u201D signs in with OAuth2 at "
                   "Microsoft, which needs an application of your own registered with the "
                   "provider in the Microsoft Entra admin center (an app registration with a "
                   "\u201CMobile and desktop applications\u201D platform). Add its client id to " +
                   home / ".config/orvane/accounts.conf" + ":\n\n" + lines}));
  EXPECT_EQ(Each(session->InfoStores(), [](auto& store) { return store->Name(); }), Names{});
  session->LogOff();
  home.Write(".config/orvane/accounts.conf",
             std::string(lines).replace(lines.find("YOUR-CLIENT-ID"), 14, "0f1e2d3c"));
  prompt->asked.clear();
  session->LogOn();
  EXPECT_EQ(prompt->asked, (Names{"Work | explained | The account \u201CWork\u201D signs in with "
                                  "OAuth2 in a web browser, which needs the window; it is left "
                                  "out."}));
}

}  // namespace
