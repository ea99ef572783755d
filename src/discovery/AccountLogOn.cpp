#include "discovery/AccountLogOn.h"

#include <string.h>

#include <optional>
#include <string>

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

}  // namespace

std::shared_ptr<store::InfoStore> LogOnAccount(const Account& account, PasswordPrompt& prompt) {
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
