// Walking a collection, and the steps that absorb the store's failures.

#include "ScriptedStore.h"
#include "StoreReading.h"

using store::Walk;

namespace {

// The folders of a folder: Inbox, then Archive.
std::shared_ptr<scripted::ScriptedCollection<store::Folder>> TwoFolders() {
  scripted::ScriptedFolder root("root", "root", std::make_shared<scripted::CallLog>());
  root.AddFolder("Inbox");
  root.AddFolder("Archive");
  return root.folders;
}

}  // namespace

TEST(Walk, VisitsEveryElementInOrderOnItsOwnReferenceAndLeavesTheLoopVariableEmpty) {
  std::shared_ptr<store::Collection<store::Folder>> formLevel = TwoFolders();
  std::weak_ptr<store::Collection<store::Folder>> watch = formLevel;
  std::shared_ptr<store::Folder> loop;
  Names names;
  for (Walk walk(formLevel, loop); !walk.done(); walk.Advance()) {
    formLevel.reset();  // a nested handler replaces the form-level reference
    names.push_back(loop->Name());
  }
  EXPECT_EQ(names, (Names{"Inbox", "Archive"}));
  EXPECT_EQ(loop, nullptr);
  EXPECT_TRUE(watch.expired());
}

TEST(Walk, FailuresToStartAndToAdvanceAreStoreErrorsWhichStepAloneAbsorbs) {
  auto folders = TwoFolders();
  std::shared_ptr<store::Folder> loop;
  EXPECT_FALSE(store::Step([&] { Walk walk(nullptr, loop); }));
  folders->Fail("Begin");
  EXPECT_FALSE(store::Step([&] { Walk walk(folders, loop); }));
  folders->Heal("Begin");
  folders->failAdvanceAt = 1;
  EXPECT_FALSE(store::Step([&] {
    for (Walk walk(folders, loop); !walk.done();) walk.Advance();
  }));
  ASSERT_NE(loop, nullptr) << "a walk that cannot advance keeps the last element visited";
  EXPECT_EQ(loop->Name(), "Inbox");
  EXPECT_TRUE(store::Step([] {}));
  EXPECT_THROW(store::Step([] { throw std::logic_error("bug"); }), std::logic_error);
}
