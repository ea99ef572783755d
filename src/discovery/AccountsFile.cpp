#include "discovery/AccountsFile.h"

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>

#include "discovery/AccountProblem.h"
#include "discovery/ConfigFile.h"
#include "discovery/OAuthProviders.h"

namespace discovery {

using store::imap::Security;
namespace {

// Read by hand rather than with QSettings, which sorts the sections (the user's order is the
// order the accounts are listed in) and reads a value with commas as a list.

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  return text;
}

struct Section {
  std::string name;
  int line = 0;
  std::map<std::string, std::string> values;
  std::string problem;  // the first fault met while reading it
};

std::optional<int> Port(const std::string& text) {
  if (text.empty() || text.size() > 5 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const int port = std::stoi(text);
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

// How the account logs on, or the reason it cannot: with a password unless "auth = oauth2", and
// then with the provider's endpoints or those given, and the user's own client id (without one the
// account is still listed, so that its dialog can say what to add).
template <class Value>
std::string ReadOAuth2(const Section& section, const Value& value, Account& account) {
  const std::string auth = Lower(value("auth"));
  if (auth.empty() || auth == "password") {
    for (const char* key : {"provider", "authorize_url", "token_url", "scope", "client_id",
                            "client_secret", "remember"}) {
      if (section.values.contains(key)) return std::string("\"") + key + "\" needs auth = oauth2";
    }
    return {};
  }
  if (auth != "oauth2") return "unknown auth \"" + value("auth") + "\" (password or oauth2)";
  account.logOn = store::imap::LogOnWith::OAuth2;
  OAuth2Client& client = account.oauth2;
  client.authorizeUrl = value("authorize_url");
  client.tokenUrl = value("token_url");
  client.scope = value("scope");
  client.clientId = value("client_id");
  client.clientSecret = value("client_secret");
  client.section = section.name;
  const std::string provider = Lower(value("provider"));
  if (!provider.empty() && !UseProvider(provider, client)) {
    return "unknown provider \"" + value("provider") + "\" (google or microsoft)";
  }
  if (client.authorizeUrl.empty() || client.tokenUrl.empty()) {
    return "auth = oauth2 needs a provider, or an authorize_url and a token_url";
  }
  for (const std::string* url : {&client.authorizeUrl, &client.tokenUrl}) {
    if (!url->starts_with("https://") && !url->starts_with("http://127.0.0.1:") &&
        !url->starts_with("http://localhost:")) {
      return "the endpoint \"" + *url + "\" is not an https:// address";
    }
  }
  const std::string remember = Lower(value("remember"));
  if (remember != "" && remember != "yes" && remember != "no") {
    return "remember is \"" + value("remember") + "\" (yes or no)";
  }
  client.remember = remember == "yes";
  return {};
}

// The account of a section, or the reason it cannot be used.
std::string ReadAccount(const Section& section, Account& account) {
  if (!section.problem.empty()) return section.problem;
  auto value = [&](const char* key) {
    auto it = section.values.find(key);
    return it == section.values.end() ? std::string() : it->second;
  };
  account.name = value("name").empty() ? section.name : value("name");
  account.host = value("host");
  account.user = value("user");
  if (!value("port").empty()) {
    std::optional<int> port = Port(value("port"));
    if (!port) return "the port \"" + value("port") + "\" is not a number from 1 to 65535";
    account.port = *port;
  }
  const std::string security = Lower(value("security"));
  if (security.empty() || security == "tls") {
    account.security = Security::Tls;
  } else if (security == "starttls") {
    account.security = Security::StartTls;
  } else if (security == "none") {
    account.security = Security::None;
  } else {
    return "unknown security \"" + value("security") + "\" (tls, starttls or none)";
  }
  if (account.name.empty()) account.name = account.user + "@" + account.host;
  if (std::string problem = ReadOAuth2(section, value, account); !problem.empty()) return problem;
  return AccountProblem(account);
}

// A value may be quoted, to keep spaces at its ends.
std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::vector<Section> ReadSections(std::istream& in, const std::string& path,
                                  std::ostream& warnings) {
  static const char* const kKeys[] = {
      "name",  "host",     "port",          "security",  "user",      "file",          "auth",
      "scope", "provider", "authorize_url", "token_url", "client_id", "client_secret", "remember"};
  std::vector<Section> sections;
  std::string raw;
  for (int number = 1; std::getline(in, raw); ++number) {
    if (number == 1 && raw.starts_with("\xEF\xBB\xBF")) raw.erase(0, 3);
    const std::string line = Trimmed(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      Section section;
      section.line = number;
      if (line.back() != ']') {
        section.problem = "its heading has no closing ]";
        section.name = line.substr(1);
      } else {
        section.name = Trimmed(line.substr(1, line.size() - 2));
      }
      sections.push_back(std::move(section));
      continue;
    }
    if (sections.empty()) {
      warnings << "orvane: " << path << ": line " << number
               << " is ignored: it belongs to no [section]\n";
      continue;
    }
    Section& section = sections.back();
    if (!section.problem.empty()) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      section.problem = "line " + std::to_string(number) + " is not a key = value line";
      continue;
    }
    const std::string key = Lower(Trimmed(line.substr(0, equals)));
    if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys)) {
      section.problem = "unknown key \"" + key + "\" on line " + std::to_string(number);
    } else if (!section.values.emplace(key, Unquoted(Trimmed(line.substr(equals + 1)))).second) {
      section.problem = "\"" + key + "\" is given twice";
    }
  }
  return sections;
}

}  // namespace

std::vector<Account> ReadAccountsFile(const std::string& path, std::ostream& warnings) {
  const std::optional<std::string> text = ReadConfigFile(path, warnings);
  if (!text) return {};
  std::istringstream in(*text);
  std::vector<Account> accounts;
  for (const Section& section : ReadSections(in, path, warnings)) {
    if (section.values.contains("file")) continue;
    Account account;
    const std::string problem = ReadAccount(section, account);
    account.oauth2.configFile = path;
    KeepAccount(
        accounts, std::move(account), problem,
        path + ": the account [" + section.name + "] on line " + std::to_string(section.line),
        warnings);
  }
  return accounts;
}

std::vector<std::string> ListedPersonalFolderFiles(const std::string& path,
                                                   std::ostream& warnings) {
  const std::optional<std::string> text = ReadConfigFile(path, warnings);
  if (!text) return {};
  std::istringstream in(*text);
  std::vector<std::string> files;
  for (const Section& section : ReadSections(in, path, warnings)) {
    auto file = section.values.find("file");
    if (file != section.values.end() && !file->second.empty()) files.push_back(file->second);
  }
  return files;
}

}  // namespace discovery
