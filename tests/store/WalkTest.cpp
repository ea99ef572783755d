#include <gtest/gtest.h>

#include "ScriptedStore.h"
#include "StoreReading.h"

using store::Walk;

namespace {

std::shared_ptr<scripted::ScriptedCollection<store::Folder>> TwoFolders() {
  auto log = std::make_shared<scripted::CallLog>();
  auto folders = std::make_shared<scripted::ScriptedCollection<store::Folder>>("folders", log);
  for (const char* name : {"Inbox", "Archive"}) {
    folders->elements.push_back(std::make_shared<scripted::ScriptedFolder>(name, name, log));
  }
  return folders;
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

TEST(Walk, FailuresToStartAndToAdvanceAreStoreErrors) {
  auto folders = TwoFolders();
  std::shared_ptr<store::Folder> loop;
  EXPECT_FALSE(store::Step([&] { Walk walk(nullptr, loop); }));
  folders->Fail("Begin");
  EXPECT_FALSE(store::Step([&] { Walk walk(folders, loop); }));
  folders->Heal("Begin");
  folders->failAdvanceAt = 1;
  EXPECT_FALSE(store::Step([&] {
    for (Walk walk(folders, loop); !walk.done(); walk.Advance()) {
    }
  }));
  ASSERT_NE(loop, nullptr) << "a walk that cannot advance keeps the last element visited";
  EXPECT_EQ(loop->Name(), "Inbox");
}

TEST(Step, AbsorbsOnlyStoreFailures) {
  EXPECT_TRUE(store::Step([] {}));
  EXPECT_FALSE(store::Step([] { throw store::Error::Absent("gone"); }));
  EXPECT_THROW(store::Step([] { throw std::logic_error("bug"); }), std::logic_error);
}
