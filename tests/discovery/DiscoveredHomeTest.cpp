// Which stores and accounts discovery finds in a home, and what it warns about. Each directory
// under tests/data/discovery is a case: home/ is copied into a fresh home, env sets the
// environment ("NAME=value" lines), and found.txt lists what must be found there.

#include <sys/stat.h>
#include <unistd.h>

#include "DataFiles.h"
#include "TempHome.h"
#include "discovery/AccountFinder.h"
#include "discovery/StoreFinder.h"

namespace fs = std::filesystem;

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Git keeps neither empty directories nor FIFOs: a ".keep" file only keeps its directory, and a
// file "NAME.fifo" becomes a FIFO NAME. "@HOME@" stands for the home's path.
void MakeHome(TempHome& home, const std::string& name) {
  const fs::path from = fs::path(ORVANE_TEST_DATA) / "discovery" / name;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from / "home")) {
    const std::string relative = entry.path().lexically_relative(from / "home");
    const fs::path to = home / relative;
    if (entry.is_symlink()) {
      fs::create_symlink(fs::read_symlink(entry.path()), to);
    } else if (entry.is_directory()) {
      fs::create_directories(to);
    } else if (to.extension() == ".fifo") {
      ASSERT_EQ(mkfifo(fs::path(to).replace_extension().c_str(), 0600), 0);
    } else if (to.filename() != ".keep") {
      home.Write(relative, Replaced(DataFile(fs::relative(entry.path(), ORVANE_TEST_DATA)),
                                    "@HOME@", home.path()));
    }
  }
  std::istringstream env(fs::exists(from / "env") ? DataFile("discovery/" + name + "/env") : "");
  for (std::string line; std::getline(env, line);) {
    const size_t equals = line.find('=');
    home.SetEnv(line.substr(0, equals).c_str(),
                Replaced(line.substr(equals + 1), "@HOME@", home.path()));
  }
}

// Each store with the places its mail lies in (its Locations, links followed); each account as
// "name | host:port | security | user", an OAuth2 account's provider (or endpoints), scope and
// client after it; then the warnings. The home is written "~".
std::string Found(const TempHome& home) {
  std::ostringstream found, warnings;
  for (store::local::FoundStore& place : discovery::FindStores(warnings)) {
    found << "store " << place.name << ":";
    for (const std::string& location : store::local::LocalStore(place).Locations()) {
      found << " " << fs::weakly_canonical(location).string();
    }
    found << "\n";
  }
  for (const store::imap::Account& account : discovery::FindAccounts(warnings)) {
    const char* security[] = {"tls", "starttls", "none"};  // in the order Security lists them
    found << "account " << account.name << " | " << account.Server() << " | "
          << security[static_cast<int>(account.security)] << " | " << account.user;
    if (const store::imap::OAuth2Client& client = account.oauth2;
        account.logOn == store::imap::LogOnWith::OAuth2) {
      found << " | oauth2 "
            << (client.provider.empty() ? client.authorizeUrl + " " + client.tokenUrl
                                        : client.provider)
            << " [" << client.scope << "] client "
            << (client.clientId.empty() ? "none" : client.clientId + " " + client.clientSecret)
            << (client.remember ? " remembered" : "") << " in " << client.configFile << " ["
            << client.section << "]";
    }
    found << "\n";
  }
  const std::string text = found.str() + warnings.str();
  return Replaced(Replaced(text, fs::canonical(home.path()), "~"), home.path(), "~");
}

class DiscoveredHome : public testing::TestWithParam<std::string> {};

TEST_P(DiscoveredHome, HoldsWhatItsListingSays) {
  TempHome home;
  MakeHome(home, GetParam());
  alarm(60);  // a read that waits on a FIFO ends the run rather than hanging it
  EXPECT_EQ(Found(home), DataFile("discovery/" + GetParam() + "/found.txt"));
  alarm(0);
}

INSTANTIATE_TEST_SUITE_P(Homes, DiscoveredHome, testing::ValuesIn(DataNames("discovery", "")),
                         DataTestName);

}  // namespace
