#include "cli/Headless.h"

#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>

#include "cli/FolderNames.h"
#include "cli/TerminalPrompt.h"
#include "cli/TerminalView.h"
#include "discovery/Service.h"
#include "export/FolderExport.h"
#include "export/OutcomePrompt.h"
#include "store/FolderTree.h"
#include "store/Step.h"

namespace cli {
namespace {

// A session of this computer's stores and accounts, with the stores the user opened first. A
// path that cannot be opened is said and left out.
std::shared_ptr<store::Session> OpenSession(const Options& options,
                                            const std::string& onlyAccount) {
  std::vector<std::string> problems;
  auto opened = discovery::StoresAtPaths(options.paths, problems);
  for (const std::string& problem : problems) std::cerr << "orvane: " << problem << "\n";
  std::optional<std::string> password;
  if (!options.passwordFile.empty()) password = ReadPasswordFile(options.passwordFile);
  auto session = discovery::CreateSessionWithAccounts(
      std::make_shared<TerminalPrompt>(password, onlyAccount), std::move(opened));
  store::Step([&] { session->LogOn(); });
  return session;
}

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The element of `level` named `name`; else throws UsageError naming the near matches (the names
// that contain it or that it contains, ignoring case), or all of them when none is near.
template <class T>
std::shared_ptr<T> Find(const std::vector<Named<T>>& level, const std::string& name,
                        const std::string& where) {
  for (const Named<T>& named : level)
    if (named.name == name) return named.element;
  std::vector<std::string> near, all;
  for (const Named<T>& named : level) {
    const std::string a = Lowered(named.name), b = Lowered(name);
    (a.find(b) != std::string::npos || b.find(a) != std::string::npos ? near : all)
        .push_back(Escaped(named.name));
  }
  if (near.empty()) near = all;
  std::string message = "no " + std::string(where.empty() ? "store" : "folder") + " named \"" +
                        name + "\"" + (where.empty() ? "" : " in " + where);
  if (!near.empty()) {
    message += "; there is";
    for (std::size_t i = 0; i < near.size() && i < 20; ++i)
      message += (i ? ", " : " ") + (where.empty() ? "" : where + "/") + near[i];
  }
  throw UsageError(message);
}

std::string CountOf(store::Folder& folder) {
  std::string count;
  try {
    count = std::to_string(folder.Messages()->Count());
  } catch (const store::Error& error) {
    count = std::string("(cannot be read: ") + error.what() + ")";
  }
  return count;
}

void PrintFolders(store::Folder& parent, const std::string& path, std::size_t depth) {
  if (depth == store::kDeepestFolder) return;
  for (const Named<store::Folder>& folder : NamedFolders(parent)) {
    const std::string own = path + "/" + Escaped(folder.name);
    std::cout << own << "\t" << CountOf(*folder.element) << "\n";
    PrintFolders(*folder.element, own, depth + 1);
  }
}

std::string Local(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace

int RunList(const Options& options) {
  auto session = OpenSession(options, "");
  for (const Named<store::InfoStore>& store : NamedStores(*session)) {
    std::cout << Escaped(store.name) << "\n";
    std::shared_ptr<store::Folder> root;
    if (store::Step([&] { root = store.element->RootFolder(); }) && root)
      PrintFolders(*root, Escaped(store.name), 0);
  }
  store::Step([&] { session->LogOff(); });
  return kComplete;
}

int RunExport(const Options& options) {
  const std::vector<std::string> names = SplitPath(options.folder);
  if (names.size() < 2) throw UsageError("name a folder of the store: " + options.folder + "/...");
  auto session = OpenSession(options, names[0]);
  const auto stores = NamedStores(*session);
  std::shared_ptr<store::InfoStore> infoStore = Find(stores, names[0], "");
  std::shared_ptr<store::Folder> folder;
  store::Step([&] { folder = infoStore->RootFolder(); });
  std::string where = Escaped(names[0]);
  for (std::size_t i = 1; i < names.size(); ++i) {
    folder =
        Find(folder ? NamedFolders(*folder) : std::vector<Named<store::Folder>>{}, names[i], where);
    where += "/" + Escaped(names[i]);
  }
  std::vector<std::shared_ptr<store::Folder>> folders{folder};
  if (options.recursive) {
    std::shared_ptr<store::Collection<store::Folder>> below;
    if (store::Step([&] { below = folder->Folders(); }) && below)
      for (store::NestedFolder& nested : store::FoldersIn(below)) folders.push_back(nested.folder);
  }
  std::vector<std::string> locations;
  for (const Named<store::InfoStore>& store : stores)
    store::Step([&] {
      for (std::string& location : store.element->Locations()) locations.push_back(location);
    });

  TerminalView view(options.output, locations);
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  if (!terminal)
    std::cerr << "orvane: exporting " << where
              << (options.recursive ? " and the folders below" : "") << " to " << options.output
              << "\n";
  const exporter::Outcome outcome = exporter::SaveFoldersToFile(view, folders);
  view.EndProgress();
  store::Step([&] { session->LogOff(); });

  if (outcome.failed()) {
    std::cerr << "orvane: " << Local(exporter::ExportFailedPrompt(outcome)) << "\n";
    return kFailed;
  }
  std::cerr << "orvane: " << outcome.records << (outcome.records == 1 ? " record" : " records")
            << " written to " << outcome.path << "\n";
  if (outcome.cancelled) {
    std::cerr << "orvane: interrupted: the file ends with the last whole record\n";
    return kInterrupted;
  }
  if (outcome.unreadCount > 0) {
    std::cerr << "orvane: " << Local(exporter::ExportCompletePrompt(outcome)) << "\n";
    return kUnread;
  }
  return kComplete;
}

}  // namespace cli
