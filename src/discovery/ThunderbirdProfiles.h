#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace discovery {

// The directories of the mail client profiles listed in ~/.thunderbird/profiles.ini under the home
// `home`, in the order they were numbered (Profile0, Profile1, ...); relative paths resolved
// against ~/.thunderbird. Nothing when there is no such file; when it cannot be read, nothing and
// a warning on `warnings`.
std::vector<std::string> ThunderbirdProfiles(const std::string& home, std::ostream& warnings);

}  // namespace discovery
