// Browsing from store to top-level folder to subfolder. List entries are text alone: each handler
// finds the picked entry's object again by walking the collection that filled the list and
// comparing names, and keeps the collection that fills the next list.

#include <QListWidget>

#include "store/Step.h"
#include "store/Walk.h"
#include "window/Form1.h"
#include "window/ListBox.h"

namespace window {

namespace {

// The first element of `collection` whose name equals `list`'s selected text, left in `loop`.
// An element whose name cannot be read does not match. False when nothing matched, or the walk
// could not start or advance; `loop` then holds whatever the walk left in it.
template <class T>
bool FindByName(const std::shared_ptr<store::Collection<T>>& collection, std::shared_ptr<T>& loop,
                const QListWidget& list) {
  bool found = false;
  store::Step([&] {
    for (store::Walk walk(collection, loop); !walk.done(); walk.Advance()) {
      store::Step([&] { found = ListText(list) == store::Use(loop).Name(); });
      if (found) return;
    }
  });
  return found;
}

// Refills `list` from `folders`, in the service's order; a folder whose name cannot be read gets
// no entry. `loop` holds nothing after a complete walk.
void FillWithNames(QListWidget& list,
                   const std::shared_ptr<store::Collection<store::Folder>>& folders,
                   std::shared_ptr<store::Folder>& loop) {
  list.clear();
  store::Step([&] {
    for (store::Walk walk(folders, loop); !walk.done(); walk.Advance())
      store::Step([&] { AddItem(list, store::Use(loop).Name()); });
  });
}

}  // namespace

void Form1::List1_Click() {
  // 1. The first store with the picked name; with none, nothing but objInfoStore changes.
  if (!FindByName(objInfoStores, objInfoStore, *List1)) return;

  // 2. Its root folder; nothing if it cannot be had, and step 3 then fails too.
  objTopFolder = nullptr;
  store::Step([&] { objTopFolder = store::Use(objInfoStore).RootFolder(); });

  // 3. The root's folders, the source of List2.
  objFolders = nullptr;
  store::Step([&] { objFolders = store::Use(objTopFolder).Folders(); });

  // 4.-5. List2 shows them; List3 keeps what it shows until a folder is picked.
  FillWithNames(*List2, objFolders, objTopFolder);
}

void Form1::List2_Click() {
  // 1. The first top-level folder with the picked name stays in objTopFolder.
  if (!FindByName(objFolders, objTopFolder, *List2)) return;

  // 2. Its folders, the source of List3.
  objSubFolders = nullptr;
  store::Step([&] { objSubFolders = store::Use(objTopFolder).Folders(); });

  // 3.-4.
  FillWithNames(*List3, objSubFolders, objSubFolder);
}

}  // namespace window
