#pragma once

#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>

namespace discovery {

// A preference's value as the mail client's prefs.js writes it: text, a whole number or a truth
// value.
using PrefValue = std::variant<std::string, long long, bool>;
using Prefs = std::map<std::string, PrefValue>;

// The preferences set by the `user_pref(name, value);` (and `pref`, `sticky_pref`) statements of
// a prefs.js text. A later statement for a name wins, as in the client. A statement that cannot be
// read is skipped up to its `;`; junk never stops the rest from being read.
Prefs ParsePrefs(std::string_view text);

// The preferences of the file at `path`; none when there is no such file, or when it cannot be
// read (said on `warnings`).
Prefs ReadPrefsFile(const std::string& path, std::ostream& warnings);

}  // namespace discovery
