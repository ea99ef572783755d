#pragma once

#include <iostream>
#include <vector>

#include "store/imap/Account.h"

namespace discovery {

using store::imap::Account;

// The IMAP accounts of the user whose home is $HOME, in the order they are listed:
//  1. the IMAP servers of each profile in ~/.thunderbird/profiles.ini (its prefs.js);
//  2. the accounts of $XDG_CONFIG_HOME/orvane/accounts.conf, else ~/.config/orvane/accounts.conf.
// The same account (host, port and user) found twice is listed once. An account that cannot be
// used is left out with a warning on `warnings`.
std::vector<Account> FindAccounts(std::ostream& warnings = std::cerr);

}  // namespace discovery
