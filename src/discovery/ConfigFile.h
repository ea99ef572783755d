#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace discovery {

// The text of a file the user keeps settings in (profiles.ini, prefs.js, accounts.conf). It is
// read only when it is a regular file, and opened without waiting: a FIFO or a device in its
// place must not hang the program. A missing file is nothing to say; any other that cannot be
// read is named on `warnings` with the reason, and gives nothing.
std::optional<std::string> ReadConfigFile(const std::string& path, std::ostream& warnings);

// A line of such a file without the blanks (and the CR of a CR LF) around it.
std::string Trimmed(const std::string& text);

// An environment variable's value; empty when it is not set.
std::string Environment(const char* name);

// Where the user's settings and data are kept: $XDG_CONFIG_HOME and $XDG_DATA_HOME when they are
// absolute paths, else ~/.config and ~/.local/share; empty without a home.
std::string ConfigHome(const std::string& home);
std::string DataHome(const std::string& home);

}  // namespace discovery
