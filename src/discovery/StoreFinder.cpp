#include "discovery/StoreFinder.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include "discovery/AccountsFile.h"
#include "discovery/ConfigFile.h"
#include "discovery/MhProfile.h"
#include "discovery/ThunderbirdProfiles.h"
#include "mail/FolderName.h"
#include "store/maildir/Maildir.h"
#include "store/mbox/Decompressing.h"
#include "store/pff/PffStore.h"
#include "store/reading/Directory.h"
#include "store/reading/FileReading.h"

namespace discovery {

using mail::FileNameText;
using store::maildir::IsMaildir;
using store::reading::FileDescriptor;
using store::reading::IsDirectory;
using store::reading::IsFile;
using store::reading::OpenForReading;
namespace {

namespace fs = std::filesystem;

std::string BaseName(const std::string& path) {
  fs::path p(path);
  if (!p.has_filename()) p = p.parent_path();  // a trailing slash
  return p.filename().string();
}

// A directory that holds maildirs: a maildir itself, or the parent of one.
bool IsMaildirTree(const std::string& path) {
  if (!IsDirectory(path)) return false;
  if (IsMaildir(path)) return true;
  std::error_code error;
  for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
    if (IsMaildir(it->path().string())) return true;
  }
  return false;
}

class Finder {
 public:
  void Add(FoundStore::Kind kind, const std::string& name, const std::string& path,
           const std::string& origin) {
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    if (!seen_.insert(error ? fs::path(path) : real).second) return;
    stores_.push_back({kind, FileNameText(name), path, FileNameText(origin)});
  }
  // The store found at the place `path` names, if any.
  FoundStore* At(const std::string& path) {
    for (FoundStore& store : stores_) {
      std::error_code error;
      if (fs::equivalent(store.path, path, error)) return &store;
    }
    return nullptr;
  }
  std::vector<FoundStore> Take() { return std::move(stores_); }

 private:
  std::set<fs::path> seen_;
  std::vector<FoundStore> stores_;
};

void AddThunderbirdAccounts(const std::string& home, Finder& finder, std::ostream& warnings) {
  for (const std::string& profile : ThunderbirdProfiles(home, warnings)) {
    for (const char* kind : {"Mail", "ImapMail"}) {
      std::string directory = profile + "/" + kind;
      if (!IsDirectory(directory)) continue;
      std::vector<std::string> accounts;
      std::error_code error;
      for (fs::directory_iterator it(directory, error), end; !error && it != end;
           it.increment(error)) {
        std::string name = it->path().filename().string();
        if (!name.starts_with('.') && IsDirectory(it->path().string())) accounts.push_back(name);
      }
      std::sort(accounts.begin(), accounts.end());
      for (const std::string& account : accounts) {
        finder.Add(FoundStore::Kind::MboxTree, account, directory + "/" + account,
                   BaseName(profile));
      }
    }
  }
}

// nmh's folders: a store of their own, unless they are kept in a directory already found (~/Mail,
// most often), whose directories are then all MH folders.
void AddMh(const std::string& home, Finder& finder, std::ostream& warnings) {
  const std::optional<std::string> directory = MhMailDirectory(home, warnings);
  if (!directory || !IsDirectory(*directory)) return;
  if (FoundStore* found = finder.At(*directory)) {
    if (found->kind == FoundStore::Kind::MboxTree) found->kind = FoundStore::Kind::MhTree;
    return;
  }
  finder.Add(FoundStore::Kind::MhTree, "MH", *directory, *directory);
}

void AddSpool(Finder& finder) {
  std::string spool = Environment("MAIL");
  if (spool.empty() && !Environment("USER").empty()) spool = "/var/mail/" + Environment("USER");
  std::error_code error;
  if (spool.empty() || !IsFile(spool) || fs::file_size(spool, error) == 0 || error) return;
  finder.Add(FoundStore::Kind::Spool, "Inbox (spool)", spool, spool);
}

// Where KMail keeps its local folders: the Path its maildir resource's settings give ("Path[$e]"
// may start with $HOME or ~), else the default place under the data home.
std::string KMailFolders(const std::string& home, std::ostream& warnings) {
  const std::optional<std::string> settings = ReadConfigFile(
      ConfigHome(home) + "/akonadi/agent_config_akonadi_maildir_resource_0rc", warnings);
  std::istringstream lines(settings.value_or(""));
  for (std::string line; std::getline(lines, line);) {
    line = Trimmed(line);
    const bool expanded = line.starts_with("Path[$e]=");
    if (!expanded && !line.starts_with("Path=")) continue;
    std::string path = Trimmed(line.substr(line.find('=') + 1));
    for (const char* variable : {"$HOME", "${HOME}", "~"}) {
      if (expanded && path.starts_with(variable)) path = home + path.substr(strlen(variable));
    }
    if (!path.empty()) return path.starts_with('/') ? path : home + "/" + path;
  }
  return DataHome(home) + "/local-mail";
}

// The user's documents directory: what xdg-user-dir says, when it is installed, else ~/Documents.
std::string DocumentsDirectory(const std::string& home) {
  if (::access("/usr/bin/xdg-user-dir", X_OK) == 0) {
    if (FILE* pipe = ::popen("/usr/bin/xdg-user-dir DOCUMENTS 2>/dev/null", "r")) {
      std::string path;
      char buffer[4096];
      while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) path.append(buffer, n);
      const int status = ::pclose(pipe);
      while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
      // With no documents directory set up, it names the home itself: there is none.
      if (status == 0 && path.starts_with('/') && fs::path(path) != fs::path(home)) return path;
      if (status == 0 && path.starts_with('/')) return {};
    }
  }
  return home + "/Documents";
}

bool HasPersonalFolderSuffix(const std::string& name) {
  if (name.size() < 5) return false;
  std::string suffix = name.substr(name.size() - 4);
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return suffix == ".pst" || suffix == ".ost";
}

void AddPersonalFolderFile(Finder& finder, const std::string& path) {
  finder.Add(FoundStore::Kind::PersonalFolderFile, BaseName(path), path, path);
}

// Personal folder files: those the account file lists, then the .pst and .ost files directly in
// the home and in the documents directory, each directory's in the order of their names. A file
// that does not start with the personal folder signature is left out and said.
void AddPersonalFolderFiles(const std::string& home, Finder& finder, std::ostream& warnings) {
  const std::string config = ConfigHome(home);
  if (!config.empty()) {
    std::ostream silent(nullptr);  // the accounts' own search says what is wrong with the file
    for (std::string path : ListedPersonalFolderFiles(config + "/orvane/accounts.conf", silent)) {
      if (!path.starts_with('/')) path = home + "/" + path;
      if (IsFile(path) && store::pff::HasPersonalFolderSignature(path)) {
        AddPersonalFolderFile(finder, path);
      } else {
        warnings << "orvane: " << path
                 << " (in accounts.conf) is left out: it is not a personal folder file\n";
      }
    }
  }
  for (const std::string& directory : {home, DocumentsDirectory(home)}) {
    if (directory.empty() || !IsDirectory(directory)) continue;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
      const std::string name = it->path().filename().string();
      if (HasPersonalFolderSuffix(name) && IsFile(it->path().string())) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string path = directory + "/" + name;
      if (store::pff::HasPersonalFolderSignature(path)) {
        AddPersonalFolderFile(finder, path);
      } else {
        warnings << "orvane: " << path << " is left out: it is not a personal folder file\n";
      }
    }
  }
}

}  // namespace

std::vector<FoundStore> FindStores(std::ostream& warnings, const std::vector<FoundStore>& opened) {
  Finder finder;
  for (const FoundStore& store : opened)
    finder.Add(store.kind, store.name, store.path, store.origin);
  const std::string home = Environment("HOME");
  std::string maildir = Environment("MAILDIR");
  if (maildir.empty() || !IsMaildirTree(maildir)) maildir = home.empty() ? "" : home + "/Maildir";
  if (!maildir.empty() && IsMaildirTree(maildir)) {
    finder.Add(FoundStore::Kind::MaildirTree, BaseName(maildir), maildir, maildir);
  }
  if (!home.empty()) {
    for (const char* name : {"Mail", "mail"}) {
      std::string path = home + "/" + name;
      if (!IsDirectory(path)) continue;
      // Some keep a Maildir++ tree here rather than mbox files.
      finder.Add(IsMaildir(path) ? FoundStore::Kind::MaildirTree : FoundStore::Kind::MboxTree, name,
                 path, path);
    }
    AddThunderbirdAccounts(home, finder, warnings);
  }
  AddSpool(finder);
  if (!home.empty()) {
    AddMh(home, finder, warnings);
    const std::string evolution = DataHome(home) + "/evolution/mail/local";
    if (IsDirectory(evolution))
      finder.Add(FoundStore::Kind::EvolutionTree, "Evolution", evolution, evolution);
    const std::string kmail = KMailFolders(home, warnings);
    if (IsDirectory(kmail)) finder.Add(FoundStore::Kind::KMailTree, "KMail", kmail, kmail);
    AddPersonalFolderFiles(home, finder, warnings);
  }
  return finder.Take();
}

std::vector<FoundStore> StoresAtPaths(const std::vector<std::string>& paths,
                                      std::vector<std::string>& problems) {
  std::vector<FoundStore> stores;
  for (const std::string& path : paths) {
    const std::string absolute = fs::absolute(path).lexically_normal().string();
    std::string why;
    if (IsDirectory(absolute)) {
      std::error_code error;
      fs::directory_iterator(absolute, error);
      if (error) {
        why = error.message();
      } else {
        stores.push_back(
            {IsMaildir(absolute) ? FoundStore::Kind::MaildirTree : FoundStore::Kind::MboxTree,
             FileNameText(BaseName(absolute)), absolute, FileNameText(absolute)});
      }
    } else if (const auto compression = store::mbox::CompressionOf(absolute);
               compression && IsFile(absolute) &&
               store::mbox::IsCompressedMbox(absolute, *compression)) {
      stores.push_back({FoundStore::Kind::MboxFile, FileNameText(BaseName(absolute)), absolute,
                        FileNameText(absolute)});
    } else if (IsFile(absolute) && store::pff::HasPersonalFolderSignature(absolute)) {
      stores.push_back({FoundStore::Kind::PersonalFolderFile, FileNameText(BaseName(absolute)),
                        absolute, FileNameText(absolute)});
    } else if (const FileDescriptor file = OpenForReading(absolute); file.get() < 0) {
      why = errno == EINVAL ? "Not a regular file" : std::strerror(errno);
    } else {
      char start[5];
      const ssize_t n = ::pread(file.get(), start, sizeof start, 0);
      if (n < 0) {
        why = std::strerror(errno);
      } else if (n == 0 || (n == 5 && std::string_view(start, 5) == "From ")) {
        stores.push_back({FoundStore::Kind::MboxFile, FileNameText(BaseName(absolute)), absolute,
                          FileNameText(absolute)});
      } else {
        why = "Not an mbox file, a personal folder file, a maildir or a directory of them";
      }
    }
    if (!why.empty()) problems.push_back(path + ": " + why);
  }
  return stores;
}

std::shared_ptr<store::InfoStore> OpenFoundStore(FoundStore found) {
  if (found.kind == FoundStore::Kind::PersonalFolderFile) {
    return std::make_shared<store::pff::PffStore>(found.path, found.name);
  }
  return std::make_shared<store::local::LocalStore>(std::move(found));
}

}  // namespace discovery
