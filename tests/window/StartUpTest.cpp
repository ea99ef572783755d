#include <gtest/gtest.h>

#include <QListWidget>
#include <functional>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "window/Form1.h"

using Service = scripted::ScriptedService;

namespace {

const QString kNoCollection = "Could not set InfoStores collection";
const QString kNoStores = "No InfoStores in the collection";

struct Path {
  const char* name;
  bool threeStores;  // "Zeta", "alpha", "Ärchiv 2019", else none
  std::function<void(Service&)> fault;
  QStringList boxes;    // prompts of the message boxes shown, in order
  QStringList entries;  // List1 afterwards
};

void PrintTo(const Path& path, std::ostream* os) { *os << path.name; }

const QStringList kAll = {"Zeta", "alpha", "Ärchiv 2019"};

// clang-format off
const Path kPaths[] = {
  {"StoresListedInTheServicesOrder", true, [](Service&) {}, {}, kAll},
  {"TwoStoresWithTheSameName", true, [](Service& s) { s.store(2).name = "Zeta"; },
   {}, {"Zeta", "alpha", "Zeta"}},
  {"AStoreWhoseNameCannotBeRead", true, [](Service& s) { s.store(1).Fail("Name"); },
   {}, {"Zeta", "Ärchiv 2019"}},
  {"AWalkThatCannotAdvance", true, [](Service& s) { s.stores().failAdvanceAt = 2; },
   {}, {"Zeta", "alpha"}},
  {"AWalkThatCannotStart", true, [](Service& s) { s.stores().Fail("Begin"); }, {}, {}},
  {"AFailedLogOnThatStillGivesTheStores", true,
   [](Service& s) { s.session->Fail("LogOn"); }, {}, kAll},
  {"NoSessionCreatingItFails", true, [](Service& s) { s.failCreate = true; },
   {kNoCollection}, {}},
  {"NoSessionTheServiceGivesNoObject", true, [](Service& s) { s.createNull = true; },
   {kNoCollection}, {}},
  {"LogOnRefusedSoTheStoresCannotBeHad", true,
   [](Service& s) { s.session->Fail("LogOn"); s.session->Fail("InfoStores"); },
   {kNoCollection}, {}},
  {"StoresThatAreNotACollection", true,
   [](Service& s) { s.session->ReturnNull("InfoStores"); }, {kNoCollection}, {}},
  {"AnEmptyCollection", false, [](Service&) {}, {kNoStores}, {}},
  {"ACountThatCannotBeRead", true, [](Service& s) { s.stores().Fail("Count"); },
   {kNoStores}, {}},
};
// clang-format on

void ThreeStores(Service& s) {
  for (const QString& name : kAll) s.AddStore(name.toStdString());
}

}  // namespace

class StartUpPath : public testing::TestWithParam<Path> {};

// Each path lists what it can, shows its box before the window, and opens the window.
TEST_P(StartUpPath, ListsShowsAndOpens) {
  const Path& path = GetParam();
  Service service;
  if (path.threeStores) ThreeStores(service);
  path.fault(service);
  window::Form1 form(service.Factory());
  ModalBoxRecorder recorder(&form);
  form.Start();

  QStringList prompts, entries;
  for (const auto& box : recorder.boxes) {
    prompts << box.prompt;
    EXPECT_EQ(box.title, "Orvane");
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_FALSE(box.ownerVisible) << "a box comes before the window";
  }
  for (int i = 0; i < form.List1->count(); ++i) entries << form.List1->item(i)->text();
  EXPECT_EQ(prompts, path.boxes);
  EXPECT_EQ(entries, path.entries);
  EXPECT_TRUE(form.isVisible()) << "the window opens whatever happened";
  EXPECT_EQ(form.List1->currentRow(), -1);
  EXPECT_EQ(form.List2->count() + form.List3->count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Each, StartUpPath, testing::ValuesIn(kPaths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StartUp, LogsOnOnceKeepsTheStoresAndLeavesTheLoopVariableEmpty) {
  Service service;
  ThreeStores(service);
  window::Form1 form(service.Factory());
  form.Start();
  const std::vector<std::string> first(service.log->calls.begin(), service.log->calls.begin() + 5);
  EXPECT_EQ(first, (std::vector<std::string>{"CreateSession", "session.LogOn", "session.InfoStores",
                                             "stores.Count", "stores.Begin"}));
  EXPECT_EQ(service.log->CountOf("session.LogOn"), 1);
  EXPECT_EQ(form.objSession, service.session);
  EXPECT_EQ(form.objInfoStores, service.session->stores);
  EXPECT_EQ(form.objInfoStore, nullptr);
}

TEST(StartUp, WithoutStoresItWalksNothingButKeepsWhatItGot) {
  Service refused;
  refused.session->Fail("InfoStores");
  window::Form1 noCollection(refused.Factory());
  ModalBoxRecorder dismiss;
  noCollection.Start();
  EXPECT_EQ(noCollection.objSession, refused.session) << "kept, logged on or not";
  EXPECT_FALSE(refused.log->Has("stores.Count"));

  Service empty;
  window::Form1 noStores(empty.Factory());
  noStores.Start();
  EXPECT_EQ(noStores.objInfoStores, empty.session->stores);
  EXPECT_FALSE(empty.log->Has("stores.Begin"));
}
