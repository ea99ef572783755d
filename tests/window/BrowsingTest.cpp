#include <gtest/gtest.h>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "window/Form1.h"

namespace {

// Two stores named "Mail" and one "mail"; every store has the top-level folders "Inbox <n>" and
// "Work", and every "Work" the subfolders "2023 <n>" and "2024 <n>", n the store's number.
class Browsing : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Mail", "Mail", "mail"}) {
      scripted::ScriptedInfoStore& store = service.AddStore(name);
      const std::string n = store.label.substr(5);
      store.root->AddFolder("Inbox " + n);
      store.root->AddFolder("Work").AddFolder("2023 " + n);
      store.root->folder(1).AddFolder("2024 " + n);
    }
    form.Start();
  }

  scripted::ScriptedFolder& Root(std::size_t store) { return *service.store(store).root; }

  scripted::ScriptedService service;
  window::Form1 form{service.Factory()};
  ModalBoxRecorder boxes{&form};
};

}  // namespace

TEST_F(Browsing, PickingAStoreListsTheFoldersOfThatStoreWhateverTheOthersAreNamed) {
  EXPECT_EQ(Entries(*form.List1), (QStringList{"Mail", "Mail (2)", "mail"}));
  Root(1).folder(0).name = "Inbox\x1b[2J\a2";  // control characters show as spaces
  ClickEntry(*form.List1, 1);                  // the second "Mail"
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox [2J 2", "Work"}));
  EXPECT_EQ(Entries(*form.List1), (QStringList{"Mail", "Mail (2)", "mail"}));
  EXPECT_EQ(form.List2->selectedItems().size(), 0);
  EXPECT_EQ(form.objInfoStore, service.stores().elements[1]);
  EXPECT_EQ(form.objTopFolder, nullptr) << "the walk over the folders went to its end";

  ClickEntry(*form.List1, 2);  // differs from "Mail" in case only
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox 3", "Work"}));
}

TEST_F(Browsing, PickingAFolderListsItsSubfoldersAndAnotherStoreLeavesThemAndTheirSelection) {
  ClickEntry(*form.List1, 0);
  ClickEntry(*form.List2, 1);
  EXPECT_EQ(form.objTopFolder, Root(0).folders->elements[1]);
  EXPECT_EQ(form.objSubFolders, Root(0).folder(1).folders);
  ClickEntry(*form.List3, 1);

  ClickEntry(*form.List1, 2);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox 3", "Work"}));
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2023 1", "2024 1"}));
  EXPECT_TRUE(form.List3->item(1)->isSelected());
  EXPECT_EQ(form.objSubFolders, Root(0).folder(1).folders);

  ClickEntry(*form.List2, 0);  // a folder without subfolders
  EXPECT_EQ(form.List3->count(), 0);
}

TEST_F(Browsing, AStoreGoneSinceStartUpChangesNothing) {
  ClickEntry(*form.List1, 0);
  ClickEntry(*form.List2, 1);
  const auto folders = form.objFolders;
  const auto topFolder = form.objTopFolder;
  service.stores().elements.resize(2);

  ClickEntry(*form.List1, 2);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox 1", "Work"}));
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2023 1", "2024 1"}));
  EXPECT_EQ(form.objFolders, folders);
  EXPECT_EQ(form.objTopFolder, topFolder);
  EXPECT_EQ(form.objInfoStore, nullptr) << "the walk over the stores went to its end";
}

TEST_F(Browsing, FailuresLeaveTheNextListClearedOrWithoutTheUnreadableEntry) {
  Root(0).folder(0).Fail("Name");
  ClickEntry(*form.List1, 0);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Work"}));

  service.store(2).Fail("RootFolder");
  ClickEntry(*form.List1, 2);
  EXPECT_EQ(form.List2->count(), 0);
  EXPECT_EQ(form.objTopFolder, nullptr);
  EXPECT_EQ(form.objFolders, nullptr);

  ClickEntry(*form.List1, 0);
  Root(0).folder(1).ReturnNull("Folders");
  ClickEntry(*form.List2, 0);  // "Work", now the first entry
  EXPECT_EQ(form.List3->count(), 0);
  EXPECT_EQ(form.objSubFolders, nullptr);
}

TEST_F(Browsing, TheKeyboardPicksAsTheMouseDoes) {
  form.List1->setFocus();
  QTest::keyClick(form.List1, Qt::Key_Down);
  QTest::keyClick(form.List1, Qt::Key_End);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox 3", "Work"}));
  EXPECT_TRUE(boxes.boxes.empty());
}
