#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace discovery {

// nmh's mail directory for the home `home`, as ~/.mh_profile names it in its Path: entry: taken
// from the home unless absolute, and "Mail" when the profile has no such entry. Nothing when
// there is no profile; when it cannot be read, nothing and a warning on `warnings`.
std::optional<std::string> MhMailDirectory(const std::string& home, std::ostream& warnings);

}  // namespace discovery
