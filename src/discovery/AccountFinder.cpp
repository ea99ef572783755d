#include "discovery/AccountFinder.h"

#include <QString>
#include <cstdlib>
#include <set>
#include <tuple>

#include "discovery/AccountsFile.h"
#include "discovery/ConfigFile.h"
#include "discovery/PrefsFile.h"
#include "discovery/ProfileAccounts.h"
#include "discovery/ThunderbirdProfiles.h"

namespace discovery {
namespace {

// The same server and user: host names compare without regard to case, as DNS does.
using Identity = std::tuple<std::string, int, std::string>;

Identity IdentityOf(const Account& account) {
  return {QString::fromStdString(account.host).toCaseFolded().toStdString(),
          account.EffectivePort(), account.user};
}

}  // namespace

std::vector<Account> FindAccounts(std::ostream& warnings) {
  const std::string home = Environment("HOME");
  std::vector<Account> found;
  if (!home.empty()) {
    std::ostream silent(nullptr);
    for (const std::string& profile : ThunderbirdProfiles(home, silent)) {
      const std::string prefs = profile + "/prefs.js";
      for (Account& account : ProfileAccounts(ReadPrefsFile(prefs, warnings), prefs, warnings)) {
        found.push_back(std::move(account));
      }
    }
  }
  const std::string config = ConfigHome(home);
  if (!config.empty()) {
    for (Account& account : ReadAccountsFile(config + "/orvane/accounts.conf", warnings)) {
      found.push_back(std::move(account));
    }
  }

  std::set<Identity> seen;
  std::vector<Account> accounts;
  for (Account& account : found) {
    if (seen.insert(IdentityOf(account)).second) accounts.push_back(std::move(account));
  }
  return accounts;
}

}  // namespace discovery
