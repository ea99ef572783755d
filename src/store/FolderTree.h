#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/Step.h"
#include "store/Store.h"
#include "store/Walk.h"

namespace store {

// A folder somewhere below another, and the names of the folders that lead to it from there,
// its own last.
struct NestedFolder {
  std::shared_ptr<Folder> folder;
  std::vector<std::string> path;
};

// Links on disk can make a tree that never ends: a walk below a folder stops this deep, and
// after this many folders.
inline constexpr std::size_t kDeepestFolder = 64;
inline constexpr std::size_t kMostFolders = 100000;

// Every folder of `folders` and below, depth-first: each folder before its own folders, the
// folders of each level in the order the store gives them. A folder whose name cannot be read is
// left out, and so is everything below it; a folder whose folders cannot be had, or whose walk
// breaks off, is listed with what could be had. The store's own failures go no further than the
// folder they concern.
inline std::vector<NestedFolder> FoldersIn(const std::shared_ptr<Collection<Folder>>& folders) {
  std::vector<NestedFolder> found;
  std::vector<std::string> path;
  auto walk = [&](auto& self, const std::shared_ptr<Collection<Folder>>& level) -> void {
    std::shared_ptr<Folder> folder;
    Step([&] {
      for (Walk w(level, folder); !w.done() && found.size() < kMostFolders; w.Advance()) {
        std::shared_ptr<Folder> child = folder;
        if (!Step([&] { path.push_back(Use(child).Name()); })) continue;
        found.push_back({child, path});
        std::shared_ptr<Collection<Folder>> below;
        if (path.size() < kDeepestFolder && Step([&] { below = child->Folders(); }))
          self(self, below);
        path.pop_back();
      }
    });
  };
  walk(walk, folders);
  return found;
}

}  // namespace store
