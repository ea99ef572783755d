// Logging on to the user's IMAP accounts: each account's password is asked for after the stores
// on disk are listed, a failure is said on the next ask, and a skipped account is left out.

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ClosedPort.h"
#include "StoreReading.h"
#include "discovery/AccountLogOn.h"
#include "discovery/PasswordPrompt.h"
#include "store/imap/ImapStore.h"

namespace {

// Stands for the user: answers each ask with the next of its answers (nothing = skip) and notes
// what it was asked. With no answers left it skips.
class AnsweringPrompt : public discovery::PasswordPrompt {
 public:
  explicit AnsweringPrompt(std::deque<std::optional<std::string>> answers)
      : answers_(std::move(answers)) {}

  std::optional<std::string> AskPassword(const std::string& account, const std::string& server,
                                         const std::string& problem) override {
    asked.push_back(account + " | " + server + " | " + problem);
    if (answers_.empty()) return std::nullopt;
    std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  std::vector<std::string> asked;

 private:
  std::deque<std::optional<std::string>> answers_;
};

// What the store says when it cannot open the account with this password.
std::string FailureOpening(const store::imap::Account& account, const std::string& password) {
  try {
    store::imap::OpenImapStore(account, password);
  } catch (const store::Error& error) {
    return error.what();
  }
  return "<opened>";
}

Names StoreNamesAsking(const std::shared_ptr<discovery::PasswordPrompt>& prompt) {
  auto session = discovery::CreateSessionWithAccounts(prompt);
  session->LogOn();
  return Each(session->InfoStores(), [](auto& infoStore) { return infoStore->Name(); });
}

class AccountLogOn : public testing::Test {
 protected:
  void SetUp() override {
    home.Maildir("Maildir");
    home.Write("Mail/inbox", "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: hi\n\nhi\n");
    account.name = "Work";
    account.host = "127.0.0.1";
    account.port = port.port();
    account.security = store::imap::Security::None;
    account.user = "ann";
    server = "127.0.0.1:" + std::to_string(port.port());
    home.Write(".config/orvane/accounts.conf",
               "[Work]\nhost = 127.0.0.1\nport = " + std::to_string(port.port()) +
                   "\nsecurity = none\nuser = ann\n"
                   "[Home]\nhost = 127.0.0.1\nport = " +
                   std::to_string(port.port()) + "\nsecurity = none\nuser = bob\n");
  }

  TempHome home;
  ClosedPort port;
  store::imap::Account account;
  std::string server;
};

TEST_F(AccountLogOn, EachAccountIsAskedForInTurnAndASkippedOneIsLeftOut) {
  auto prompt = std::make_shared<AnsweringPrompt>(
      std::deque<std::optional<std::string>>{std::nullopt, std::nullopt});
  EXPECT_EQ(StoreNamesAsking(prompt), (Names{"Maildir", "Mail"}));
  EXPECT_EQ(prompt->asked,
            (std::vector<std::string>{"Work | " + server + " | ", "Home | " + server + " | "}));
}

TEST_F(AccountLogOn, AFailedLogOnIsAskedAgainWithItsReasonUntilTheUserSkips) {
  const std::string reason = FailureOpening(account, "first");
  ASSERT_NE(reason, "<opened>");
  ASSERT_FALSE(reason.empty());
  auto prompt = std::make_shared<AnsweringPrompt>(
      std::deque<std::optional<std::string>>{"first", "second", std::nullopt, std::nullopt});
  EXPECT_EQ(StoreNamesAsking(prompt), (Names{"Maildir", "Mail"}));
  EXPECT_EQ(prompt->asked, (std::vector<std::string>{
                               "Work | " + server + " | ",
                               "Work | " + server + " | " + reason,
                               "Work | " + server + " | " + reason,
                               "Home | " + server + " | ",
                           }));
}

TEST_F(AccountLogOn, AnEmptyPasswordIsTriedLikeAnyOther) {
  AnsweringPrompt prompt({"", std::nullopt});
  EXPECT_EQ(discovery::LogOnAccount(account, prompt), nullptr);
  EXPECT_EQ(prompt.asked, (std::vector<std::string>{
                              "Work | " + server + " | ",
                              "Work | " + server + " | " + FailureOpening(account, ""),
                          }));
}

TEST_F(AccountLogOn, ASessionWithoutAPromptListsTheStoresOnDiskAlone) {
  EXPECT_EQ(StoreNames(), (Names{"Maildir", "Mail"}));
}

TEST_F(AccountLogOn, EveryLogOnFindsTheAccountsAfresh) {
  auto prompt = std::make_shared<AnsweringPrompt>(std::deque<std::optional<std::string>>{});
  auto session = discovery::CreateSessionWithAccounts(prompt);
  session->LogOn();
  home.Write(".config/orvane/accounts.conf", "[New]\nhost = 127.0.0.1\nuser = cy\n");
  session->LogOff();
  session->LogOn();
  EXPECT_EQ(prompt->asked,
            (std::vector<std::string>{"Work | " + server + " | ", "Home | " + server + " | ",
                                      "New | 127.0.0.1:993 | "}));
}

}  // namespace
