#include <gtest/gtest.h>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "store/ListCollection.h"
#include "window/Form1.h"

TEST(Shutdown, ClosingLogsOffThenReleasesTheSessionAndTheFoldersAlsoWhenLogOffFails) {
  for (bool logOffFails : {false, true}) {
    SCOPED_TRACE(logOffFails);
    scripted::ScriptedService service;
    service.AddStore("Mail");
    window::Form1 form(service.Factory());
    form.Start();
    // References as browsing leaves them, held by the window alone.
    form.objTopFolder = std::make_shared<scripted::ScriptedFolder>("Inbox", "top", service.log);
    form.objSubFolder = std::make_shared<scripted::ScriptedFolder>("2024", "sub", service.log);
    using Folders = store::ListCollection<store::Folder>;
    form.objFolders = std::make_shared<Folders>(std::vector{form.objTopFolder});
    form.objSubFolders = std::make_shared<Folders>(std::vector{form.objSubFolder});
    const std::weak_ptr<void> held[] = {service.session, form.objTopFolder, form.objSubFolder,
                                        form.objFolders, form.objSubFolders};
    bool heldAtLogOff = false;
    service.session->On("LogOff", [&] { heldAtLogOff = form.objSession && form.objTopFolder; });
    if (logOffFails) service.session->Fail("LogOff");
    service.session.reset();

    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(service.log->calls.back(), "session.LogOff");
    EXPECT_EQ(service.log->CountOf("session.LogOff"), 1);
    EXPECT_TRUE(heldAtLogOff);
    for (const auto& reference : held) EXPECT_TRUE(reference.expired());
    EXPECT_NE(form.objInfoStores, nullptr) << "the store list goes with the window, not before";
  }
}

TEST(Shutdown, AWindowThatNeverHadASessionClosesWithoutAWord) {
  scripted::ScriptedService service;
  service.failCreate = true;
  window::Form1 form(service.Factory());
  ModalBoxRecorder recorder;
  form.Start();
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(recorder.boxes.size(), 1u) << "only the start-up box";
  EXPECT_EQ(service.log->calls, std::vector<std::string>{"CreateSession"});
}
