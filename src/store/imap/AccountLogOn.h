#pragma once

#include <memory>

#include "store/PasswordPrompt.h"
#include "store/Store.h"
#include "store/imap/Account.h"

namespace store::imap {

// Opens the account's store with a password the user gives: asks `prompt`, tries it, and on a
// failure asks again with the failure's reason, until the store opens or the user skips the
// account (then nothing). The password is wiped once it has been tried.
std::shared_ptr<InfoStore> LogOnAccount(const Account& account, PasswordPrompt& prompt);

}  // namespace store::imap
