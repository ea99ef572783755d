// Browsing from store to top-level folder to subfolder. Each entry remembers where its element
// stands in the collection that filled the list; a handler walks that collection to the picked
// entry's element, and keeps the collection that fills the next list.

#include <QListWidget>

#include "store/FolderTree.h"
#include "store/ListCollection.h"
#include "store/Step.h"
#include "store/Walk.h"
#include "window/Form1.h"
#include "window/ListBox.h"

namespace window {

// The element at `position` of `collection`, left in `loop`. False when the walk could not reach
// it; `loop` then holds whatever the walk left in it.
template <class T>
bool Form1::FindAt(const std::shared_ptr<store::Collection<T>>& collection,
                   std::shared_ptr<T>& loop, int position) {
  bool found = false;
  store::Step([&] {
    int at = 0;
    for (store::Walk walk(collection, loop); !walk.done(); walk.Advance(), ++at) {
      if (at == position) {
        found = true;
        return;
      }
    }
  });
  return found;
}

template bool Form1::FindAt(const std::shared_ptr<store::Collection<store::InfoStore>>&,
                            std::shared_ptr<store::InfoStore>&, int);
template bool Form1::FindAt(const std::shared_ptr<store::Collection<store::Folder>>&,
                            std::shared_ptr<store::Folder>&, int);

// Refills `list` from `collection`, in the service's order; an element whose name cannot be read
// gets no entry. A walk that cannot start lists nothing; one that cannot advance ends there.
// `loop` holds nothing after a complete walk.
template <class T>
void Form1::FillWithNames(QListWidget& list,
                          const std::shared_ptr<store::Collection<T>>& collection,
                          std::shared_ptr<T>& loop) {
  ListFiller filler(list);
  store::Step([&] {
    int position = 0;
    for (store::Walk walk(collection, loop); !walk.done(); walk.Advance(), ++position) {
      store::Step([&] {
        T& element = store::Use(loop);
        filler.Add(element.Name(), position, [&] { return element.Origin(); });
      });
    }
  });
}

template void Form1::FillWithNames(QListWidget&,
                                   const std::shared_ptr<store::Collection<store::InfoStore>>&,
                                   std::shared_ptr<store::InfoStore>&);

void Form1::List1_Click() {
  // With no store at the picked place, nothing but objInfoStore changes.
  if (!FindAt(objInfoStores, objInfoStore, ListPosition(*List1))) return;

  // Its root folder; nothing if it cannot be had, and its folders then cannot be had either.
  objTopFolder = nullptr;
  store::Step([&] { objTopFolder = store::Use(objInfoStore).RootFolder(); });

  // The root's folders, the source of List2.
  objFolders = nullptr;
  store::Step([&] { objFolders = store::Use(objTopFolder).Folders(); });

  // List3 keeps what it shows until a folder is picked.
  FillWithNames(*List2, objFolders, objTopFolder);
}

void Form1::List2_Click() {
  // The picked top-level folder stays in objTopFolder.
  if (!FindAt(objFolders, objTopFolder, ListPosition(*List2))) return;

  // Its folders and every folder below them, the source of List3: a deeper folder's entry is
  // its path from here.
  objSubFolders = nullptr;
  std::shared_ptr<store::Collection<store::Folder>> folders;
  store::Step([&] { folders = store::Use(objTopFolder).Folders(); });
  ListFiller filler(*List3);
  if (!folders) return;
  std::vector<std::shared_ptr<store::Folder>> listed;
  for (store::NestedFolder& nested : store::FoldersIn(folders)) {
    filler.Add(FolderPath(nested.path), static_cast<int>(listed.size()), [&] {
      std::string origin;
      store::Step([&] { origin = nested.folder->Origin(); });
      return origin;
    });
    listed.push_back(std::move(nested.folder));
  }
  objSubFolders = std::make_shared<store::ListCollection<store::Folder>>(std::move(listed));
  objSubFolder = nullptr;
}

}  // namespace window
