#include <memory>
#include <vector>

#include "store/ListCollection.h"
#include "store/Service.h"
#include "store/imap/AccountFinder.h"
#include "store/imap/AccountLogOn.h"
#include "store/local/LocalStore.h"
#include "store/local/StoreFinder.h"

namespace store {
namespace {

// The mail stores on this computer, then the user's IMAP accounts that the user gives a password
// for; all found afresh at every log-on. Without a prompt nobody can give a password, so the
// accounts are left out.
class ServiceSession : public Session {
 public:
  explicit ServiceSession(std::shared_ptr<PasswordPrompt> prompt) : prompt_(std::move(prompt)) {}

  void LogOn() override {
    std::vector<std::shared_ptr<InfoStore>> stores;
    for (local::FoundStore& found : local::FindStores()) {
      stores.push_back(std::make_shared<local::LocalStore>(std::move(found)));
    }
    if (prompt_) {
      for (const imap::Account& account : imap::FindAccounts()) {
        if (auto store = imap::LogOnAccount(account, *prompt_)) stores.push_back(std::move(store));
      }
    }
    stores_ = std::make_shared<ListCollection<InfoStore>>(std::move(stores));
  }
  void LogOff() override { stores_.reset(); }
  std::shared_ptr<Collection<InfoStore>> InfoStores() override {
    if (!stores_) throw Error::Absent("not logged on");
    return stores_;
  }

 private:
  std::shared_ptr<PasswordPrompt> prompt_;
  std::shared_ptr<Collection<InfoStore>> stores_;
};

}  // namespace

std::shared_ptr<Session> CreateSession() { return std::make_shared<ServiceSession>(nullptr); }

std::shared_ptr<Session> CreateSessionWithAccounts(std::shared_ptr<PasswordPrompt> prompt) {
  return std::make_shared<ServiceSession>(std::move(prompt));
}

}  // namespace store
