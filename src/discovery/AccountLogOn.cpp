#include "discovery/AccountLogOn.h"

#include <string.h>

#include <iostream>
#include <optional>
#include <string>

#include "discovery/OAuthProviders.h"
#include "store/imap/ImapStore.h"

namespace discovery {
namespace {

// Clears a password's characters when it goes, so they do not linger in freed memory.
class WipedWhenGone {
 public:
  explicit WipedWhenGone(std::string& text) : text_(text) {}
  ~WipedWhenGone() { explicit_bzero(text_.data(), text_.size()); }
  WipedWhenGone(const WipedWhenGone&) = delete;
  WipedWhenGone& operator=(const WipedWhenGone&) = delete;

 private:
  std::string& text_;
};

// An OAuth2 account: signed in at its provider, and asked again with the reason when the server
// refuses what it gave. Never a password.
std::shared_ptr<store::InfoStore> SignInAccount(const Account& account, PasswordPrompt& prompt) {
  if (const std::string missing = MissingClientId(account); !missing.empty()) {
    prompt.Explain(account.name, missing);
    return nullptr;
  }
  std::string problem;
  for (;;) {
    std::shared_ptr<store::imap::AccessTokens> tokens = prompt.SignIn(account, problem);
    if (!tokens) return nullptr;
    try {
      return OpenImapStore(account, tokens);
    } catch (const store::Error& error) {
      problem = error.what();
    }
  }
}

}  // namespace

std::shared_ptr<store::imap::AccessTokens> PasswordPrompt::SignIn(const Account& account,
                                                                  const std::string&) {
  Explain(account.name, "The account \u201C" + account.name +
                            "\u201D signs in with OAuth2 in a web browser, which needs the window; "
                            "it is left out.");
  return nullptr;
}

void PasswordPrompt::Explain(const std::string& account, const std::string& text) {
  std::cerr << "orvane: " << account << ": " << text << "\n";
}

std::shared_ptr<store::InfoStore> LogOnAccount(const Account& account, PasswordPrompt& prompt) {
  if (account.logOn == store::imap::LogOnWith::OAuth2) return SignInAccount(account, prompt);
  std::string problem;
  for (;;) {
    std::optional<std::string> password =
        prompt.AskPassword(account.name, account.Server(), problem);
    if (!password) return nullptr;
    WipedWhenGone wiped(*password);
    try {
      return OpenImapStore(account, *password);
    } catch (const store::Error& error) {
      problem = error.what();
    }
  }
}

}  // namespace discovery
