#include "discovery/ThunderbirdProfiles.h"

#include <filesystem>
#include <map>
#include <sstream>

#include "discovery/ConfigFile.h"

namespace discovery {
namespace {

bool IsProfile(const std::string& section) {
  static const std::string kPrefix = "profile";
  if (section.size() < kPrefix.size()) return false;
  for (size_t i = 0; i < kPrefix.size(); ++i) {
    if ((section[i] | 0x20) != kPrefix[i]) return false;
  }
  return true;
}

// Profile0, Profile1, ..., Profile10 in the order they were numbered.
struct Numbered {
  bool operator()(const std::string& a, const std::string& b) const {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  }
};

}  // namespace

std::vector<std::string> ThunderbirdProfiles(const std::string& home, std::ostream& warnings) {
  const std::string base = home + "/.thunderbird";
  std::optional<std::string> text = ReadConfigFile(base + "/profiles.ini", warnings);
  if (!text) return {};
  if (text->starts_with("\xEF\xBB\xBF")) text->erase(0, 3);
  // Read by hand, as the client does: [section] headings and key=value lines, the value taken
  // whole (commas and quotes included). A comment's key starts with ; or # and so is never one of
  // those read.
  std::map<std::string, std::map<std::string, std::string>, Numbered> sections;
  std::map<std::string, std::string>* section = nullptr;
  std::istringstream lines(*text);
  for (std::string raw; std::getline(lines, raw);) {
    const std::string line = Trimmed(raw);
    const size_t equals = line.find('=');
    if (line.starts_with('[') && line.ends_with(']')) {
      section = &sections[Trimmed(line.substr(1, line.size() - 2))];
    } else if (section && equals != std::string::npos) {
      (*section)[Trimmed(line.substr(0, equals))] = Trimmed(line.substr(equals + 1));
    }
  }
  std::vector<std::string> profiles;
  for (auto& [name, keys] : sections) {
    const std::string& path = keys["Path"];
    if (!IsProfile(name) || path.empty()) continue;
    // A profile is relative unless it says otherwise.
    const bool relative = keys["IsRelative"] != "0";
    profiles.push_back(relative ? (std::filesystem::path(base) / path).string() : path);
  }
  return profiles;
}

}  // namespace discovery
