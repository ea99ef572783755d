#include <gtest/gtest.h>

#include "ScriptedStore.h"
#include "StoreReading.h"
#include "store/ListCollection.h"

using store::Walk;

namespace {

struct TwoFolders {
  TwoFolders() {
    root.AddFolder("Inbox");
    root.AddFolder("Archive");
  }
  scripted::ScriptedService service;
  scripted::ScriptedFolder& root = *service.AddStore("Mail").root;
};

}  // namespace

TEST(Walk, VisitsEveryElementInOrderAndLeavesTheLoopVariableEmpty) {
  TwoFolders store;
  std::shared_ptr<store::Folder> loop;
  Names names;
  for (Walk walk(store.root.folders, loop); !walk.done(); walk.Advance()) {
    names.push_back(loop->Name());
  }
  EXPECT_EQ(names, (Names{"Inbox", "Archive"}));
  EXPECT_EQ(loop, nullptr);
}

TEST(Walk, HoldsItsOwnReferenceWhenTheCallersReferenceIsReplaced) {
  auto log = std::make_shared<scripted::CallLog>();
  std::shared_ptr<store::Collection<store::Folder>> formLevel =
      std::make_shared<store::ListCollection<store::Folder>>(
          std::vector<std::shared_ptr<store::Folder>>{
              std::make_shared<scripted::ScriptedFolder>("a", "a", log),
              std::make_shared<scripted::ScriptedFolder>("b", "b", log)});
  std::weak_ptr<store::Collection<store::Folder>> watch = formLevel;
  std::shared_ptr<store::Folder> loop;
  Names names;
  for (Walk walk(formLevel, loop); !walk.done(); walk.Advance()) {
    formLevel.reset();  // a nested handler replaces the form-level reference
    names.push_back(loop->Name());
  }
  EXPECT_EQ(names, (Names{"a", "b"}));
  EXPECT_TRUE(watch.expired());
}

TEST(Walk, FailuresToStartAndToAdvanceAreStoreErrors) {
  TwoFolders store;
  std::shared_ptr<store::Folder> loop;
  std::shared_ptr<store::Collection<store::Folder>> nothing;
  EXPECT_FALSE(store::Step([&] { Walk walk(nothing, loop); }));
  store.root.folders->Fail("Begin");
  EXPECT_FALSE(store::Step([&] { Walk walk(store.root.folders, loop); }));
  store.root.folders->Heal("Begin");

  store.root.folders->failAdvanceAt = 1;
  Names seen;
  EXPECT_FALSE(store::Step([&] {
    for (Walk walk(store.root.folders, loop); !walk.done(); walk.Advance()) {
      seen.push_back(loop->Name());
    }
  }));
  EXPECT_EQ(seen, Names{"Inbox"});
  ASSERT_NE(loop, nullptr) << "a walk that cannot advance keeps the last element visited";
  EXPECT_EQ(loop->Name(), "Inbox");
}

TEST(Step, AbsorbsOnlyStoreFailures) {
  EXPECT_TRUE(store::Step([] {}));
  EXPECT_FALSE(store::Step([] { throw store::Error::Absent("gone"); }));
  EXPECT_THROW(store::Step([] { throw std::logic_error("bug"); }), std::logic_error);
}
