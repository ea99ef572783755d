#include <gtest/gtest.h>

#include <QListWidget>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "window/Form1.h"

using window::Form1;

namespace {

const QString kNoCollection = "Could not set InfoStores collection";
const QString kNoStores = "No InfoStores in the collection";

class StartUp : public testing::Test {
 protected:
  // Starts the window and returns the prompts of the message boxes it showed, after checking
  // each was the plain kind and came before the window, and that the window opened anyway.
  QStringList Start() {
    ModalBoxRecorder recorder(&form);
    form.Start();
    EXPECT_TRUE(form.isVisible()) << "the window opens whatever happened";
    QStringList prompts;
    for (const auto& box : recorder.boxes) {
      EXPECT_EQ(box.title, "Orvane");
      EXPECT_EQ(box.icon, QMessageBox::NoIcon);
      EXPECT_EQ(box.buttons, QMessageBox::Ok);
      EXPECT_FALSE(box.ownerVisible) << "shown before the window";
      prompts << box.prompt;
    }
    return prompts;
  }

  QStringList Stores() const {
    QStringList entries;
    for (int i = 0; i < form.List1->count(); ++i) entries << form.List1->item(i)->text();
    return entries;
  }

  const std::vector<std::string>& Calls() const { return service.log->calls; }

  scripted::ScriptedService service;
  Form1 form{service.Factory()};
};

}  // namespace

TEST_F(StartUp, ListsEveryStoreInTheServicesOrderWithNothingSelected) {
  for (auto name : {"Zeta", "alpha", "Beta", "Ärchiv 2019"}) service.AddStore(name);
  EXPECT_EQ(Start(), QStringList{});
  EXPECT_EQ(Stores(), (QStringList{"Zeta", "alpha", "Beta", "Ärchiv 2019"}));
  EXPECT_EQ(form.List1->currentRow(), -1);
  EXPECT_EQ(form.List2->count() + form.List3->count(), 0);
  EXPECT_EQ(form.objInfoStores, service.session->stores);
  EXPECT_EQ(form.objInfoStore, nullptr) << "a complete walk leaves its loop variable empty";
  EXPECT_EQ(Calls()[0], "CreateSession");
  EXPECT_EQ(Calls()[1], "session.LogOn");
  EXPECT_EQ(Calls()[2], "session.InfoStores");
  EXPECT_EQ(Calls()[3], "stores.Count");
}

TEST_F(StartUp, TwoStoresWithTheSameNameGetAnEntryEach) {
  service.AddStore("Mail");
  service.AddStore("Mail");
  EXPECT_EQ(Start(), QStringList{});
  EXPECT_EQ(Stores(), (QStringList{"Mail", "Mail"}));
}

TEST_F(StartUp, AStoreWhoseNameCannotBeReadIsLeftOutAndTheOthersStay) {
  service.AddStore("First");
  service.AddStore("Broken").name.reset();
  service.AddStore("Third");
  service.store(2).Fail("Name", store::Error::Absent("no display name"));
  service.AddStore("Fourth");
  EXPECT_EQ(Start(), QStringList{});
  EXPECT_EQ(Stores(), (QStringList{"First", "Fourth"}));
}

TEST_F(StartUp, AWalkThatCannotAdvanceKeepsTheStoresListedSoFar) {
  for (auto name : {"One", "Two", "Three"}) service.AddStore(name);
  service.stores().failAdvanceAt = 2;
  EXPECT_EQ(Start(), QStringList{});
  EXPECT_EQ(Stores(), (QStringList{"One", "Two"}));
}

TEST_F(StartUp, AWalkThatCannotStartListsNothingAndSaysNothing) {
  service.AddStore("Mail");
  service.stores().Fail("Begin");
  EXPECT_EQ(Start(), QStringList{});
  EXPECT_EQ(Stores(), QStringList{});
}

TEST_F(StartUp, AFailedLogOnIsNotExaminedWhenTheStoresCanStillBeHad) {
  service.AddStore("Mail");
  service.session->Fail("LogOn");
  EXPECT_EQ(Start(), QStringList{});
  EXPECT_EQ(Stores(), QStringList{"Mail"});
}

TEST_F(StartUp, WhenTheServiceCannotCreateASessionItCannotSetTheStores) {
  service.AddStore("Mail");
  service.failCreate = true;
  EXPECT_EQ(Start(), QStringList{kNoCollection});
  EXPECT_EQ(form.objSession, nullptr);
  EXPECT_EQ(Calls(), std::vector<std::string>{"CreateSession"});
  EXPECT_EQ(Stores(), QStringList{});
}

TEST_F(StartUp, WhenTheServiceGivesNoSessionObjectItCannotSetTheStores) {
  service.createNull = true;
  EXPECT_EQ(Start(), QStringList{kNoCollection});
  EXPECT_EQ(Calls(), std::vector<std::string>{"CreateSession"});
}

TEST_F(StartUp, ARefusedLogOnShowsThroughTheStoresThatCannotBeHad) {
  service.AddStore("Mail");
  service.session->Fail("LogOn");
  service.session->Fail("InfoStores", store::Error::Absent("not logged on"));
  EXPECT_EQ(Start(), QStringList{kNoCollection});
  EXPECT_EQ(form.objSession, service.session) << "the session is kept, logged on or not";
  EXPECT_EQ(form.objInfoStores, nullptr);
  EXPECT_FALSE(service.log->Has("stores.Count"));
}

TEST_F(StartUp, StoresThatAreNotACollectionCannotBeSet) {
  service.AddStore("Mail");
  service.session->ReturnNull("InfoStores");
  EXPECT_EQ(Start(), QStringList{kNoCollection});
  EXPECT_EQ(Stores(), QStringList{});
}

TEST_F(StartUp, AnEmptyCollectionSaysThereAreNoStores) {
  EXPECT_EQ(Start(), QStringList{kNoStores});
  EXPECT_EQ(form.objInfoStores, service.session->stores);
  EXPECT_FALSE(service.log->Has("stores.Begin"));
}

TEST_F(StartUp, ACountThatCannotBeReadSaysThereAreNoStoresAndListsNone) {
  service.AddStore("Mail");
  service.stores().Fail("Count");
  EXPECT_EQ(Start(), QStringList{kNoStores});
  EXPECT_EQ(Stores(), QStringList{});
  EXPECT_FALSE(service.log->Has("stores.Begin"));
}
