#pragma once

#include <memory>

#include "discovery/PasswordPrompt.h"
#include "store/Store.h"
#include "store/imap/Account.h"

namespace discovery {

using store::imap::Account;

// Opens the account's store with a password the user gives: asks `prompt`, tries it, and on a
// failure asks again with the failure's reason, until the store opens or the user skips the
// account (then nothing). The password is wiped once it has been tried.
std::shared_ptr<store::InfoStore> LogOnAccount(const Account& account, PasswordPrompt& prompt);

}  // namespace discovery
