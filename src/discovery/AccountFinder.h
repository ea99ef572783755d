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
// used, or a prefs.js or account file that cannot be read, is left out with a warning on
// `warnings`. profiles.ini is read again here without a word: the stores' search, which comes
// first at every log-on, has said what is wrong with it.
std::vector<Account> FindAccounts(std::ostream& warnings = std::cerr);

}  // namespace discovery
