#include "cli/FolderNames.h"

#include <set>

#include "cli/CommandLine.h"
#include "export/RecordText.h"
#include "store/Step.h"
#include "store/Walk.h"

namespace cli {
namespace {

template <class T>
std::vector<Named<T>> NamedIn(const std::shared_ptr<store::Collection<T>>& collection) {
  std::vector<Named<T>> named;
  std::set<std::string> given;
  std::shared_ptr<T> element;
  store::Step([&] {
    for (store::Walk walk(collection, element); !walk.done(); walk.Advance()) {
      std::shared_ptr<T> current = element;
      std::string name;
      if (!store::Step([&] { name = exporter::OneLine(current->Name()); })) continue;
      if (given.contains(name)) {
        std::string origin;
        store::Step([&] { origin = exporter::OneLine(current->Origin()); });
        const std::string plain = name;
        if (!origin.empty() && origin != plain) name = plain + " (" + origin + ")";
        for (int n = 2; given.contains(name); ++n) name = plain + " (" + std::to_string(n) + ")";
      }
      given.insert(name);
      named.push_back({std::move(current), std::move(name)});
    }
  });
  return named;
}

}  // namespace

std::vector<Named<store::InfoStore>> NamedStores(store::Session& session) {
  std::shared_ptr<store::Collection<store::InfoStore>> stores;
  store::Step([&] { stores = session.InfoStores(); });
  return NamedIn(stores);
}

std::vector<Named<store::Folder>> NamedFolders(store::Folder& parent) {
  std::shared_ptr<store::Collection<store::Folder>> folders;
  store::Step([&] { folders = parent.Folders(); });
  return NamedIn(folders);
}

std::string Escaped(const std::string& name) {
  std::string escaped;
  for (char c : name) {
    if (c == '/' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> names(1);
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') {
      if (i + 1 == path.size() || (path[i + 1] != '/' && path[i + 1] != '\\'))
        throw UsageError("in " + path + ", a \"\\\" must come before \"/\" or \"\\\"");
      names.back() += path[++i];
    } else if (path[i] == '/') {
      names.emplace_back();
    } else {
      names.back() += path[i];
    }
  }
  for (const std::string& name : names)
    if (name.empty()) throw UsageError("the folder " + path + " has an empty name in it");
  return names;
}

}  // namespace cli
