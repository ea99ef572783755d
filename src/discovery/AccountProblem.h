#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "store/imap/Account.h"

namespace discovery {

using store::imap::Account;

// What keeps an account found in a file from being used ("no host", ...), or nothing when it can
// be: a host name without spaces or control characters, a user name, a port in range.
std::string AccountProblem(const Account& account);

// Keeps an account read from a file, or, when `problem` says why it cannot be used, leaves it out
// with a warning that names it (`which`: where it was found).
void KeepAccount(std::vector<Account>& accounts, Account account, const std::string& problem,
                 const std::string& which, std::ostream& warnings);

}  // namespace discovery
