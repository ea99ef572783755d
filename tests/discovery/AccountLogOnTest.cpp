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

}  // namespace
