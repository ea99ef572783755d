#include "TempHome.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TempHome::TempHome() {
  std::string pattern = (fs::temp_directory_path() / "orvane-home-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  SetEnv("HOME", path_);
  SetEnv("USER", "orvane-test-nobody");
  SetEnv("TZ", "UTC");
  SetEnv("MAILDIR", std::nullopt);
  SetEnv("MAIL", std::nullopt);
  SetEnv("XDG_CONFIG_HOME", std::nullopt);
  SetEnv("XDG_DATA_HOME", std::nullopt);
}

TempHome::~TempHome() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
  for (const auto& [name, value] : saved_) {
    value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  }
  tzset();
}

void TempHome::SetEnv(const char* name, const std::optional<std::string>& value) {
  if (!saved_.count(name)) {
    const char* old = std::getenv(name);
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
  }
  value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  tzset();
}

std::string TempHome::Write(const std::string& relative, std::string_view bytes) const {
  fs::path file = fs::path(path_) / relative;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
  return file.string();
}

std::string TempHome::Directory(const std::string& relative) const {
  fs::create_directories(fs::path(path_) / relative);
  return (fs::path(path_) / relative).string();
}

std::string TempHome::Maildir(const std::string& relative) const {
  for (const char* sub : {"cur", "new", "tmp"}) Directory(relative + "/" + sub);
  return (fs::path(path_) / relative).string();
}
