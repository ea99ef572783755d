#include "discovery/ConfigFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "store/reading/FileReading.h"

namespace discovery {

std::optional<std::string> ReadConfigFile(const std::string& path, std::ostream& warnings) {
  struct stat opened;
  const store::reading::FileDescriptor file = store::reading::OpenForReading(path, &opened);
  std::string reason;
  if (file.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    // What is neither a regular file nor a directory is refused with EINVAL.
    reason = errno == EINVAL ? "it is not a regular file" : std::strerror(errno);
  } else {
    try {
      const mail::Bytes bytes = store::reading::ReadAll(file, path, nullptr, &opened);
      return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
    } catch (const store::Error& error) {
      reason = error.what();
      if (reason.starts_with(path + ": ")) reason.erase(0, path.size() + 2);
    }
  }
  warnings << "orvane: " << path << " cannot be read: " << reason << "\n";
  return std::nullopt;
}

std::string Trimmed(const std::string& text) {
  const char* space = " \t\r";
  const size_t begin = text.find_first_not_of(space);
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(space) - begin + 1);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ConfigHome(const std::string& home) {
  const std::string config = Environment("XDG_CONFIG_HOME");
  if (config.starts_with('/')) return config;
  return home.empty() ? "" : home + "/.config";
}

std::string DataHome(const std::string& home) {
  const std::string data = Environment("XDG_DATA_HOME");
  if (data.starts_with('/')) return data;
  return home.empty() ? "" : home + "/.local/share";
}

}  // namespace discovery
