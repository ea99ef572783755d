#include "discovery/AccountFinder.h"

#include <QString>
#include <cstdlib>
#include <map>
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
  const std::string file = config.empty() ? std::string() : config + "/orvane/accounts.conf";
  // A profile's OAuth2 account takes its client id from a section of the account file for the
  // same account; that is where the user is told to add one.
  for (Account& account : found) {
    account.oauth2.configFile = file;
    account.oauth2.section = account.name;
  }
  if (!file.empty()) {
    for (Account& account : ReadAccountsFile(file, warnings)) found.push_back(std::move(account));
  }

  std::map<Identity, size_t> seen;
  std::vector<Account> accounts;
  for (Account& account : found) {
    auto [at, first] = seen.emplace(IdentityOf(account), accounts.size());
    if (first) {
      accounts.push_back(std::move(account));
    } else if (Account& kept = accounts[at->second];
               kept.logOn == store::imap::LogOnWith::OAuth2 && kept.oauth2.clientId.empty() &&
               account.logOn == store::imap::LogOnWith::OAuth2) {
      kept.oauth2 = account.oauth2;
    }
  }
  return accounts;
}

}  // namespace discovery
