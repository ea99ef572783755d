#pragma once

#include <memory>
#include <vector>

#include "discovery/PasswordPrompt.h"
#include "discovery/StoreFinder.h"
#include "store/Store.h"

namespace discovery {

// A new session of the message store service of this computer: the stores `opened` by the user
// (see StoresAtPaths), then the mail stores found on disk. Nobody can be asked for a password, so
// the user's IMAP accounts are left out.
std::shared_ptr<store::Session> CreateSession(std::vector<FoundStore> opened = {});

// The same, with the user's IMAP accounts listed after the stores on disk: at log-on `prompt` is
// asked for each account's password; an account the user skips is left out.
std::shared_ptr<store::Session> CreateSessionWithAccounts(std::shared_ptr<PasswordPrompt> prompt,
                                                          std::vector<FoundStore> opened = {});

}  // namespace discovery
