#include "discovery/ProfileAccounts.h"

#include <algorithm>
#include <set>

#include "discovery/AccountProblem.h"
#include "discovery/OAuthProviders.h"

namespace discovery {

using store::imap::Security;
namespace {

const std::string kServerPrefix = "mail.server.";

// The number a server key ends in, for the client's own order; keys without one go last.
long long KeyNumber(const std::string& key) {
  size_t digits = key.size();
  while (digits > 0 && key[digits - 1] >= '0' && key[digits - 1] <= '9') --digits;
  if (digits == key.size() || key.size() - digits > 9) return -1;
  return std::stoll(key.substr(digits));
}

class Server {
 public:
  Server(const Prefs& prefs, const std::string& key) : prefs_(prefs), key_(key) {}

  const std::string* Text(const std::string& name) const {
    auto it = prefs_.find(kServerPrefix + key_ + "." + name);
    return it == prefs_.end() ? nullptr : std::get_if<std::string>(&it->second);
  }
  // The "real" host and user name are the ones the user changed them to after the account was
  // made; the client connects with those.
  std::string TextOf(const std::string& real, const std::string& first) const {
    const std::string* value = Text(real);
    if (!value || value->empty()) value = Text(first);
    return value ? *value : std::string();
  }
  bool Has(const std::string& name) const {
    return prefs_.count(kServerPrefix + key_ + "." + name) != 0;
  }
  const long long* Number(const std::string& name) const {
    auto it = prefs_.find(kServerPrefix + key_ + "." + name);
    return it == prefs_.end() ? nullptr : std::get_if<long long>(&it->second);
  }

 private:
  const Prefs& prefs_;
  const std::string& key_;
};

// The account of one server, or the reason it cannot be used.
std::string ReadAccount(const Server& server, Account& account) {
  account.host = server.TextOf("realhostname", "hostname");
  account.user = server.TextOf("realuserName", "userName");
  const std::string* name = server.Text("name");
  account.name = name && !name->empty() ? *name : account.user + "@" + account.host;

  if (server.Has("port")) {
    const long long* port = server.Number("port");
    if (!port || *port > 65535) return "the port is not a port number";
    account.port = *port > 0 ? static_cast<int>(*port) : 0;  // -1 and 0 mean the usual one
  }
  // Without a socket type, require STARTTLS rather than talk unprotected. 1 ("try STARTTLS")
  // would fall back to a plain connection; it is required instead.
  account.security = Security::StartTls;
  if (server.Has("socketType")) {
    const long long* type = server.Number("socketType");
    if (!type || *type < 0 || *type > 3) return "unknown connection security (socketType)";
    const Security kinds[] = {Security::None, Security::StartTls, Security::StartTls,
                              Security::Tls};
    account.security = kinds[*type];
  }
  // The client's "OAuth2" authentication method: the provider is told by the server's name.
  if (const long long* method = server.Number("authMethod"); method && *method == 10) {
    account.logOn = store::imap::LogOnWith::OAuth2;
    UseProvider(ProviderOfHost(account.host), account.oauth2);
  }
  return AccountProblem(account);
}

}  // namespace

std::vector<Account> ProfileAccounts(const Prefs& prefs, const std::string& source,
                                     std::ostream& warnings) {
  std::set<std::string> keys;
  for (auto it = prefs.lower_bound(kServerPrefix);
       it != prefs.end() && it->first.starts_with(kServerPrefix); ++it) {
    const std::string rest = it->first.substr(kServerPrefix.size());
    const size_t dot = rest.find('.');
    // "default" holds the values every server falls back to, not a server.
    if (dot != std::string::npos && dot > 0 && rest.substr(0, dot) != "default") {
      keys.insert(rest.substr(0, dot));
    }
  }
  std::vector<std::string> ordered(keys.begin(), keys.end());
  std::stable_sort(ordered.begin(), ordered.end(), [](const std::string& a, const std::string& b) {
    const long long na = KeyNumber(a), nb = KeyNumber(b);
    if ((na < 0) != (nb < 0)) return nb < 0;
    return na < nb;
  });

  std::vector<Account> accounts;
  for (const std::string& key : ordered) {
    Server server(prefs, key);
    const std::string* type = server.Text("type");
    if (!type || *type != "imap") continue;
    Account account;
    const std::string problem = ReadAccount(server, account);
    KeepAccount(accounts, std::move(account), problem, source + ": the IMAP server " + key,
                warnings);
  }
  return accounts;
}

}  // namespace discovery
