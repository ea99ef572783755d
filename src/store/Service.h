#pragma once

#include <memory>

#include "store/Store.h"

namespace store {

// A new session of the message store service of this computer: the mail stores the user has.
std::shared_ptr<Session> CreateSession();

}  // namespace store
