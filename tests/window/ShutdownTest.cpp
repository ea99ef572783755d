#include <gtest/gtest.h>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "store/ListCollection.h"
#include "window/Form1.h"

using window::Form1;

namespace {

class Shutdown : public testing::Test {
 protected:
  void StartWithFolderReferences() {
    service.AddStore("Mail");
    form.Start();
    // References as browsing leaves them, held by the window alone.
    auto log = service.log;
    form.objTopFolder = std::make_shared<scripted::ScriptedFolder>("Inbox", "top", log);
    form.objSubFolder = std::make_shared<scripted::ScriptedFolder>("2024", "sub", log);
    form.objFolders = std::make_shared<store::ListCollection<store::Folder>>(
        std::vector<std::shared_ptr<store::Folder>>{form.objTopFolder});
    form.objSubFolders = std::make_shared<store::ListCollection<store::Folder>>(
        std::vector<std::shared_ptr<store::Folder>>{form.objSubFolder});
    watched = {form.objTopFolder, form.objSubFolder};
    watchedCollections = {form.objFolders, form.objSubFolders};
  }

  bool AllReleased() const {
    for (const auto& w : watched)
      if (!w.expired()) return false;
    for (const auto& w : watchedCollections)
      if (!w.expired()) return false;
    return !form.objSession;
  }

  scripted::ScriptedService service;
  Form1 form{service.Factory()};
  std::vector<std::weak_ptr<store::Folder>> watched;
  std::vector<std::weak_ptr<store::Collection<store::Folder>>> watchedCollections;
};

}  // namespace

TEST_F(Shutdown, ClosingLogsOffThenReleasesTheSessionAndTheFolders) {
  StartWithFolderReferences();
  bool heldAtLogOff = false;
  service.session->On("LogOff", [&] { heldAtLogOff = form.objSession && form.objTopFolder; });
  std::weak_ptr<store::Session> session = service.session;
  service.session.reset();  // from here on only the window holds the session

  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(service.log->calls.back(), "session.LogOff");
  EXPECT_EQ(service.log->CountOf("session.LogOff"), 1);
  EXPECT_TRUE(heldAtLogOff);
  EXPECT_TRUE(session.expired());
  EXPECT_TRUE(AllReleased());
  EXPECT_NE(form.objInfoStores, nullptr) << "the store list goes with the window, not before";
}

TEST_F(Shutdown, AFailingLogOffStillReleasesEverythingAndCloses) {
  StartWithFolderReferences();
  service.session->Fail("LogOff");
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(AllReleased());
}

TEST_F(Shutdown, AWindowThatNeverHadASessionClosesWithoutAWord) {
  service.failCreate = true;
  {
    ModalBoxRecorder startUpBoxes;
    form.Start();
  }
  ModalBoxRecorder recorder;
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(service.log->calls, std::vector<std::string>{"CreateSession"});
}
