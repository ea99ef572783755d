#include "discovery/MhProfile.h"

#include <strings.h>

#include <sstream>

#include "discovery/ConfigFile.h"

namespace discovery {

std::optional<std::string> MhMailDirectory(const std::string& home, std::ostream& warnings) {
  const std::optional<std::string> text = ReadConfigFile(home + "/.mh_profile", warnings);
  if (!text) return std::nullopt;
  // "Name: value" lines, the names in any case, as nmh reads them; a line that starts with a
  // blank goes on with the value above it. The first Path entry is the one nmh takes.
  std::string path;
  bool inPath = false;
  std::istringstream lines(*text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(' ') || line.starts_with('\t')) {
      if (inPath) path += " " + Trimmed(line);
      continue;
    }
    if (inPath) break;
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos &&
        strcasecmp(Trimmed(line.substr(0, colon)).c_str(), "path") == 0) {
      inPath = true;
      path = line.substr(colon + 1);
    }
  }
  path = Trimmed(path);
  if (path.empty()) path = "Mail";
  return path.starts_with('/') ? path : home + "/" + path;
}

}  // namespace discovery
