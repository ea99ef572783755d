#include <gtest/gtest.h>

#include <functional>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "window/Form1.h"

using Service = scripted::ScriptedService;

namespace {

const QString kNoCollection = "Orvane | NoIcon | Could not set InfoStores collection";
const QString kNoStores = "Orvane | NoIcon | No InfoStores in the collection";
const QStringList kAll = {"Zeta", "alpha", "Ärchiv 2019"};

struct Path {
  const char* name;
  std::function<void(Service&)> fault;  // on a service with the stores kAll
  QStringList boxes;                    // shown, in order
  QStringList entries;                  // List1 afterwards
};

void PrintTo(const Path& path, std::ostream* os) { *os << path.name; }

// clang-format off
const Path kPaths[] = {
  {"StoresListedInTheServicesOrder", [](Service&) {}, {}, kAll},
  {"StoresWithTheSameNameToldApart",
   [](Service& s) { s.store(2).name = s.AddStore("Zeta").name = "Zeta"; s.store(3).origin = "work"; },
   {}, {"Zeta", "alpha", "Zeta (2)", "Zeta (work)"}},
  {"AStoreWhoseNameCannotBeRead", [](Service& s) { s.store(1).Fail("Name"); },
   {}, {"Zeta", "Ärchiv 2019"}},
  {"AWalkThatCannotAdvance", [](Service& s) { s.stores().failAdvanceAt = 2; }, {}, {"Zeta", "alpha"}},
  {"AWalkThatCannotStart", [](Service& s) { s.stores().Fail("Begin"); }, {}, {}},
  {"AFailedLogOnThatStillGivesTheStores", [](Service& s) { s.session->Fail("LogOn"); }, {}, kAll},
  {"NoSessionCreatingItFails", [](Service& s) { s.failCreate = true; }, {kNoCollection}, {}},
  {"NoSessionTheServiceGivesNoObject", [](Service& s) { s.createNull = true; },
   {kNoCollection}, {}},
  {"LogOnRefusedSoTheStoresCannotBeHad",
   [](Service& s) { s.session->Fail("LogOn"); s.session->Fail("InfoStores"); },
   {kNoCollection}, {}},
  {"StoresThatAreNotACollection", [](Service& s) { s.session->ReturnNull("InfoStores"); },
   {kNoCollection}, {}},
  {"AnEmptyCollection", [](Service& s) { s.stores().elements.clear(); }, {kNoStores}, {}},
  {"ACountThatCannotBeRead", [](Service& s) { s.stores().Fail("Count"); }, {kNoStores}, {}},
};
// clang-format on

class StartUpPath : public testing::TestWithParam<Path> {};

}  // namespace

TEST_P(StartUpPath, ListsWhatItCanShowsItsBoxBeforeTheWindowAndOpensTheWindow) {
  Service service;
  for (const QString& name : kAll) service.AddStore(name.toStdString());
  GetParam().fault(service);
  window::Form1 form(service.Factory());
  ModalBoxRecorder recorder(&form);
  form.Start();
  EXPECT_EQ(recorder.Shown(), GetParam().boxes);
  for (const auto& box : recorder.boxes) EXPECT_FALSE(box.ownerVisible);
  EXPECT_EQ(Entries(*form.List1), GetParam().entries);
  EXPECT_TRUE(form.isVisible()) << "the window opens whatever happened";
  EXPECT_EQ(form.List1->currentRow(), -1);
  EXPECT_EQ(form.List2->count() + form.List3->count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Each, StartUpPath, testing::ValuesIn(kPaths),
                         [](const auto& info) { return std::string(info.param.name); });

// The session and the stores stay with the window for browsing and closing, whatever came after.
TEST(StartUp, LogsOnOnceKeepsWhatItGotAndWalksNoFurtherThanItMust) {
  ModalBoxRecorder dismiss;
  Service one, refused, empty;
  one.AddStore("Mail");
  refused.session->Fail("InfoStores");
  window::Form1 withOne(one.Factory()), noCollection(refused.Factory()), noStores(empty.Factory());
  for (window::Form1* form : {&withOne, &noCollection, &noStores}) form->Start();
  EXPECT_EQ(one.log->calls,
            (std::vector<std::string>{"CreateSession", "session.LogOn", "session.InfoStores",
                                      "stores.Count", "stores.Begin", "stores.Next", "store1.Name",
                                      "stores.Next"}));
  EXPECT_EQ(withOne.objInfoStores, one.session->stores);
  EXPECT_EQ(withOne.objInfoStore, nullptr) << "the loop variable is left empty";
  EXPECT_EQ(noCollection.objSession, refused.session);
  EXPECT_FALSE(refused.log->Has("stores.Count"));
  EXPECT_EQ(noStores.objInfoStores, empty.session->stores);
  EXPECT_FALSE(empty.log->Has("stores.Begin"));
}
