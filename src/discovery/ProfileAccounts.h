#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "discovery/PrefsFile.h"
#include "store/imap/Account.h"

namespace discovery {

using store::imap::Account;

// The IMAP accounts among the incoming servers of a mail client profile's preferences
// (mail.server.<key>.* with type "imap"), in the order of their keys (server1, server2, ...,
// server10). A server that cannot be used is left out with a warning naming `source` (the
// prefs file) on `warnings`.
std::vector<Account> ProfileAccounts(const Prefs& prefs, const std::string& source,
                                     std::ostream& warnings);

}  // namespace discovery
