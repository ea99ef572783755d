#include <gtest/gtest.h>

#include "ScriptedStore.h"
#include "store/ListCollection.h"
#include "store/Walk.h"

using store::Walk;

namespace {

std::vector<std::string> NamesOf(const std::shared_ptr<store::Collection<store::Folder>>& folders,
                                 std::shared_ptr<store::Folder>& loop) {
  std::vector<std::string> names;
  for (Walk walk(folders, loop); !walk.done(); walk.Advance()) names.push_back(loop->Name());
  return names;
}

}  // namespace

TEST(Walk, VisitsEveryElementInOrderAndLeavesTheLoopVariableEmpty) {
  scripted::ScriptedService service;
  auto& root = *service.AddStore("Mail").root;
  root.AddFolder("Inbox");
  root.AddFolder("Archive");
  std::shared_ptr<store::Folder> loop;
  EXPECT_EQ(NamesOf(root.folders, loop), (std::vector<std::string>{"Inbox", "Archive"}));
  EXPECT_EQ(loop, nullptr);
}

TEST(Walk, HoldsItsOwnReferenceWhenTheCallersReferenceIsReplaced) {
  auto folders = std::make_shared<store::ListCollection<store::Folder>>(
      std::vector<std::shared_ptr<store::Folder>>{
          std::make_shared<scripted::ScriptedFolder>("a", "a",
                                                     std::make_shared<scripted::CallLog>()),
          std::make_shared<scripted::ScriptedFolder>("b", "b",
                                                     std::make_shared<scripted::CallLog>())});
  std::weak_ptr<store::Collection<store::Folder>> watch = folders;
  std::shared_ptr<store::Collection<store::Folder>> formLevel = folders;
  folders.reset();

  std::shared_ptr<store::Folder> loop;
  std::vector<std::string> names;
  for (Walk walk(formLevel, loop); !walk.done(); walk.Advance()) {
    formLevel.reset();  // a nested handler replaces the form-level reference
    names.push_back(loop->Name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(watch.expired());
}

TEST(Walk, FailuresToStartAndToAdvanceAreStoreErrors) {
  scripted::ScriptedService service;
  auto& root = *service.AddStore("Mail").root;
  root.AddFolder("Inbox");
  root.AddFolder("Archive");
  std::shared_ptr<store::Folder> loop;

  std::shared_ptr<store::Collection<store::Folder>> nothing;
  EXPECT_FALSE(store::Step([&] { Walk walk(nothing, loop); }));

  root.folders->Fail("Begin");
  EXPECT_FALSE(store::Step([&] { NamesOf(root.folders, loop); }));
  root.folders->Heal("Begin");

  root.folders->failAdvanceAt = 1;
  std::vector<std::string> seen;
  EXPECT_FALSE(store::Step([&] {
    for (Walk walk(root.folders, loop); !walk.done(); walk.Advance()) seen.push_back(loop->Name());
  }));
  EXPECT_EQ(seen, std::vector<std::string>{"Inbox"});
  ASSERT_NE(loop, nullptr) << "a walk that cannot advance keeps the last element visited";
  EXPECT_EQ(loop->Name(), "Inbox");
}

TEST(Step, AbsorbsOnlyStoreFailures) {
  EXPECT_TRUE(store::Step([] {}));
  EXPECT_FALSE(store::Step([] { throw store::Error::Absent("gone"); }));
  EXPECT_THROW(store::Step([] { throw std::logic_error("bug"); }), std::logic_error);
}
