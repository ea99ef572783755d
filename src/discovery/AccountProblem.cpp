#include "discovery/AccountProblem.h"

#include <algorithm>

namespace discovery {

std::string AccountProblem(const Account& account) {
  if (account.host.empty()) return "no host";
  const bool plain = std::all_of(account.host.begin(), account.host.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > ' ' && byte != 0x7F && c != '/';
  });
  if (!plain) return "the host name holds spaces, slashes or control characters";
  if (account.user.empty()) return "no user name";
  if (account.port < 0 || account.port > 65535) {
    return "the port " + std::to_string(account.port) + " is out of range";
  }
  return {};
}

void KeepAccount(std::vector<Account>& accounts, Account account, const std::string& problem,
                 const std::string& which, std::ostream& warnings) {
  if (problem.empty())
    accounts.push_back(std::move(account));
  else
    warnings << "orvane: " << which << " is left out: " << problem << "\n";
}

}  // namespace discovery
