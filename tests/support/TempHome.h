#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// A home directory of its own for one test, with the environment pointed at it: HOME set,
// MAILDIR, MAIL, XDG_CONFIG_HOME and XDG_DATA_HOME unset (so the user's own mail and accounts stay
// out), USER naming nobody with a spool file, TZ at UTC so dates read the same everywhere.
// Everything is removed and restored when it goes.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  // Writes a file with exactly these bytes, creating the directories on the way.
  std::string Write(const std::string& relative, std::string_view bytes) const;
  std::string Directory(const std::string& relative) const;
  // A maildir: cur/, new/ and tmp/.
  std::string Maildir(const std::string& relative) const;

  // Sets the variable, or unsets it given nothing, until the home goes.
  void SetEnv(const char* name, const std::optional<std::string>& value);

 private:
  std::string path_;
  std::map<std::string, std::optional<std::string>> saved_;
};

