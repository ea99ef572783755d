#include <memory>
#include <vector>

#include "discovery/AccountFinder.h"
#include "discovery/AccountLogOn.h"
#include "discovery/Service.h"
#include "discovery/StoreFinder.h"
#include "store/ListCollection.h"
#include "store/local/LocalStore.h"

namespace discovery {
namespace {

using store::Collection;
using store::InfoStore;

// The stores the user opened by their paths, then the mail stores on this computer, then the user's
// IMAP accounts that the user gives a password for; all found afresh at every log-on. Without a
// prompt nobody can give a password, so the accounts are left out.
class ServiceSession : public store::Session {
 public:
  ServiceSession(std::shared_ptr<PasswordPrompt> prompt, std::vector<FoundStore> opened)
      : prompt_(std::move(prompt)), opened_(std::move(opened)) {}

  void LogOn() override {
    std::vector<std::shared_ptr<InfoStore>> stores;
    for (store::local::FoundStore& found : FindStores(std::cerr, opened_)) {
      stores.push_back(OpenFoundStore(std::move(found)));
    }
    if (prompt_) {
      for (const Account& account : FindAccounts()) {
        if (auto store = LogOnAccount(account, *prompt_)) stores.push_back(std::move(store));
      }
    }
    stores_ = std::make_shared<store::ListCollection<InfoStore>>(std::move(stores));
  }
  void LogOff() override { stores_.reset(); }
  std::shared_ptr<Collection<InfoStore>> InfoStores() override {
    if (!stores_) throw store::Error::Absent("not logged on");
    return stores_;
  }

 private:
  std::shared_ptr<PasswordPrompt> prompt_;
  std::vector<FoundStore> opened_;
  std::shared_ptr<Collection<InfoStore>> stores_;
};

}  // namespace

std::shared_ptr<store::Session> CreateSession(std::vector<FoundStore> opened) {
  return std::make_shared<ServiceSession>(nullptr, std::move(opened));
}

std::shared_ptr<store::Session> CreateSessionWithAccounts(std::shared_ptr<PasswordPrompt> prompt,
                                                          std::vector<FoundStore> opened) {
  return std::make_shared<ServiceSession>(std::move(prompt), std::move(opened));
}

}  // namespace discovery
