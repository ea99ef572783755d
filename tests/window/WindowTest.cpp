// The window's tests. Most run it on the scripted store, for the faults a real store cannot be
// made to produce: its controls, start-up and shutdown, browsing, the keyboard, the Export and
// Cancel commands and what the user is told when an export ends; and the password dialog. The
// EndToEnd ones run the whole program on real stores of every kind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMetaEnum>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <fcntl.h>
#include <unistd.h>
#include <limits>
#include <sstream>

#include "DataFiles.h"
#include "ImapServer.h"
#include "MessageCorpus.h"
#include "ProgramRun.h"
#include "ReaderProcesses.h"
#include "ScriptedStore.h"
#include "TempHome.h"
#include "window/AutoSizeLabel.h"
#include "window/Form1.h"
#include "window/PasswordDialog.h"
#include "window/ProgressBar.h"
#include "window/SignInDialog.h"
#include "AuthorizationServer.h"

using scripted::ScriptedFolder;
using window::Form1;
using window::PasswordDialog;
using Service = scripted::ScriptedService;
namespace fs = std::filesystem;

// Lets a failing test show text as text.
std::ostream& operator<<(std::ostream& os, const QString& text) { return os << text.toStdString(); }

namespace {

// Clicks entry `row` of `list` as the user would.
void ClickEntry(QListWidget& list, int row) {
  QListWidgetItem* item = list.item(row);
  list.scrollToItem(item);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
}

QStringList Entries(const QListWidget& list) {
  QStringList entries;
  for (int i = 0; i < list.count(); ++i) entries << list.item(i)->text();
  return entries;
}

// The subjects of the records in an export file, or "<no file>".
QString Subjects(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "<no file>";
  const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
  return lines.filter("Subject: ").replaceInStrings("Subject: ", "").join(" | ");
}

bool FitsItsText(const QLabel& label) {
  return label.width() >= QFontMetrics(label.font()).horizontalAdvance(label.text());
}

// Acts as the user on every modal window once it is on the screen, and notes what it showed. A
// message box is dismissed with its OK button; every box of this program is modal, has OK alone
// and shows its prompt as plain text. Each password dialog, which opens with the cursor in its
// field, gets the next of the planned acts; one beyond them is skipped.
struct ModalUser {
  using Act = std::function<void(PasswordDialog&)>;

  explicit ModalUser(const QWidget* owner = nullptr, std::vector<Act> planned = {})
      : acts(std::move(planned)) {
    QObject::connect(&timer, &QTimer::timeout, [this, owner] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible()) return;
      if (auto* signIn = qobject_cast<window::SignInDialog*>(modal)) {
        if (whileSigningIn) whileSigningIn(*signIn);
        return;
      }
      auto* dialog = qobject_cast<PasswordDialog*>(modal);
      // Keys go to the active window: wait until the dialog is one (a few seconds at most, so
      // that a dialog that never becomes active fails the test instead of hanging it).
      if (dialog && !dialog->isActiveWindow() && ++waits < 500) return;
      ownerShown = ownerShown || (owner && owner->isVisible());
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes << box->windowTitle() + " | " +
                     QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon()) + " | " +
                     box->text();
        EXPECT_TRUE(box->isModal() && box->standardButtons() == QMessageBox::Ok &&
                    box->buttons().size() == 1 && box->textFormat() == Qt::PlainText);
        if (whileOpen) whileOpen();
        box->buttons().front()->click();
      } else if (dialog) {
        dialogs << dialog->lblAccount->text() + " | " +
                       (dialog->lblProblem->isHidden() ? "" : dialog->lblProblem->text());
        EXPECT_EQ(QApplication::focusWidget(), dialog->edtPassword);
        dialogs.size() <= qsizetype(acts.size()) ? acts[dialogs.size() - 1](*dialog)
                                                 : dialog->reject();
      }
    });
    timer.start(5);
  }

  QStringList boxes;                // "<title> | <icon> | <prompt>"
  QStringList dialogs;              // "<account line> | <why the last try failed, if shown>"
  bool ownerShown = false;          // whether the owner was on the screen when one opened
  std::function<void()> whileOpen;  // runs while each box is open
  std::function<void(window::SignInDialog&)> whileSigningIn;  // runs while a sign-in dialog is
  std::vector<Act> acts;
  QTimer timer;
  int waits = 0;
};

// Types `password` into the dialog's field key by key, as from an input method, then presses
// `key`, or clicks `button` when one is given.
ModalUser::Act Typing(const QString& password, Qt::Key key,
                      QPushButton* PasswordDialog::*button = nullptr) {
  return [=](PasswordDialog& dialog) {
    for (QChar c : password)
      QTest::sendKeyEvent(QTest::Click, dialog.edtPassword, Qt::Key_unknown, QString(c), {});
    if (button) return QTest::mouseClick(dialog.*button, Qt::LeftButton);
    QTest::keyClick(dialog.edtPassword, key);
  };
}

// Notes every paint of a label, and the text of each painted narrower than its text.
struct PaintWatch : QObject {
  int paints = 0;
  QStringList tooNarrow;
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* label = static_cast<QLabel*>(watched);
    if (event->type() == QEvent::Paint && ++paints && !FitsItsText(*label))
      tooNarrow << label->text();
    return false;
  }
};

// The window started on stores "Mail", "Mail" and "mail", in a home of the test's own. Store n
// holds the top-level folders "Inbox <n>" (messages "a1" and "a2"), "Work" ("w1"; subfolders
// "2023 <n>" with "s1" and its folder "Q1/Q2" with "q1", and "2024 <n>") and a second "Work"
// ("x1").
struct Window : testing::Test {
  void SetUp() override {
    for (const char* name : {"Mail", "Mail", "mail"}) {
      ScriptedFolder& root = *service.AddStore(name).root;
      const std::string n = std::to_string(service.stores().elements.size());
      root.AddFolder("Inbox " + n).AddMessage("a1", "");
      root.folder(0).AddMessage("a2", "");
      root.AddFolder("Work").AddMessage("w1", "");
      root.folder(1).AddFolder("2023 " + n).AddMessage("s1", "");
      root.folder(1).folder(0).AddFolder("Q1/Q2").AddMessage("q1", "");
      root.folder(1).AddFolder("2024 " + n);
      root.AddFolder("Work").AddMessage("x1", "");
    }
    form.Start();
  }
  ScriptedFolder& Top(std::size_t s, std::size_t i) { return service.store(s).root->folder(i); }
  void Pick(int top, int sub = -1) {
    if (top >= 0) ClickEntry(*form.List2, top);
    if (sub >= 0) ClickEntry(*form.List3, sub);
  }

  TempHome home;
  Service service;
  Form1 form{service.Factory()};
  ModalUser user{&form};
};

const QString kNoCollection = "Orvane | NoIcon | Could not set InfoStores collection";
const QString kNoStores = "Orvane | NoIcon | No InfoStores in the collection";
const QStringList kAll = {"Zeta", "alpha", "Ärchiv 2019"};

// A fault of a service with the stores kAll, the boxes it shows, and List1 afterwards.
struct StartUp {
  const char* name;
  std::function<void(Service&)> fault;
  QStringList boxes, entries;
};

// clang-format off
const StartUp kStartUps[] = {
  {"StoresListedInTheServicesOrder", [](Service&) {}, {}, kAll},
  {"StoresWithTheSameNameToldApart",
   [](Service& s) { s.store(2).name = s.AddStore("Zeta").name = "Zeta"; s.store(3).origin = "work"; },
   {}, {"Zeta", "alpha", "Zeta (2)", "Zeta (work)"}},
  {"AStoreWhoseNameCannotBeRead", [](Service& s) { s.store(1).Fail("Name"); },
   {}, {"Zeta", "Ärchiv 2019"}},
  {"AWalkThatCannotAdvance", [](Service& s) { s.stores().failAdvanceAt = 2; }, {}, {"Zeta", "alpha"}},
  {"AFailedLogOnThatStillGivesTheStores", [](Service& s) { s.session->Fail("LogOn"); }, {}, kAll},
  {"ALogOffThatFails", [](Service& s) { s.session->Fail("LogOff"); }, {}, kAll},
  {"NoSessionCreatingItFails", [](Service& s) { s.failCreate = true; }, {kNoCollection}, {}},
  {"LogOnRefusedSoTheStoresCannotBeHad",
   [](Service& s) { s.session->Fail("LogOn"); s.session->Fail("InfoStores"); },
   {kNoCollection}, {}},
  {"StoresThatAreNotACollection", [](Service& s) { s.session->ReturnNull("InfoStores"); },
   {kNoCollection}, {}},
  {"AnEmptyCollection", [](Service& s) { s.stores().elements.clear(); }, {kNoStores}, {}},
  {"ACountThatCannotBeRead", [](Service& s) { s.stores().Fail("Count"); }, {kNoStores}, {}},
};
// clang-format on

const QString kComplete = "VIR Izovez | Information | Export Complete";
const QString kFailed = "Orvane | Critical | Export Failed\n\n";
const QString kNothing = "Orvane | NoIcon | No Message Folder Selected";

// An export from store 1 with List2's entry `top` and List3's entry `sub` picked (-1: none), after
// `then`: the subjects of the records written, and the box that says how it ended (~ is the home,
// where a relative path starts).
struct Export {
  const char* name;
  int top, sub;
  std::function<void(Window&)> then;
  QString subjects, box;
};

// Runs `act` while the first message is read, where the export lets events through.
std::function<void(Window&)> WhileReading(void (*act)(Window&)) {
  return [act](Window& w) { w.Top(0, 0).message(0).On("Subject", [&w, act] { act(w); }); };
}

// clang-format off
const Export kExports[] = {
  {"NothingSelectedIsSaid", -1, -1, nullptr, "<no file>", kNothing},
  {"ASubfolderWinsOverItsTopLevelFolder", 1, 0, nullptr, "s1", kComplete},
  {"ASubfolderAlone", 1, 0, [](Window& w) { w.form.List2->clearSelection(); }, "s1",
   kComplete},
  {"AFolderBelowASubfolderByItsOwnEntry", 1, 1, nullptr, "q1", kComplete},
  {"TheSecondOfTwoFoldersOfOneName", 2, -1, nullptr, "x1", kComplete},
  {"AFolderGoneSinceItWasListed", 1, -1,
   [](Window& w) { w.service.store(0).root->folders->elements.resize(1); }, "<no file>",
   "Orvane | NoIcon | Message Folder Not Found"},
  {"AMessageNotReadInFullIsNamed", 0, -1, [](Window& w) {
     w.Top(0, 0).message(1).Fail("BodyText", store::Error::Unreadable("Input/output error"));
   }, "a1 | a2", kComplete + "\n\n1 message could not be read in full:\na2: Input/output error"},
  {"AFolderWhoseMessagesCannotBeRead", 0, -1,
   [](Window& w) { w.Top(0, 0).Fail("Messages", store::Error::Unreadable("Permission denied")); },
   "<no file>", kFailed + "The folder's messages could not be read: Permission denied\n"
   "~/messages.txt\nNo file was written."},
  {"APathThatCannotBeOpenedShownOnOneLine", 0, -1,
   [](Window& w) { w.form.edtMessageFile->setText("a\ab/messages.txt"); }, "<no file>",
   kFailed + "~/a b/messages.txt\nNo such file or directory"},
  {"APathInsideTheMailOfAnyStore", 0, -1, [](Window& w) {
     w.form.edtMessageFile->setText(QString::fromStdString(w.home.Directory("mail/cur") + "/1"));
     w.service.store(2).locations = {w.home / "mail"};
   }, "<no file>", kFailed + "~/mail/cur/1\nIt lies inside ~/mail, which holds mail that "
   "Orvane reads: writing the export there could destroy that mail."},
  {"CancelEndsItAfterTheCurrentRecord", 0, -1,
   WhileReading([](Window& w) { QTest::mouseClick(w.form.cbCancel, Qt::LeftButton); }), "a1",
   kComplete},
  {"ClosingTheWindowEndsItAfterTheCurrentRecordWithoutABox", 0, -1,
   WhileReading([](Window& w) { QApplication::postEvent(w.form.windowHandle(), new QCloseEvent); }),
   "a1", ""},
  {"ManyMessagesPaintedAtTheScreensPace", 2, -1, [](Window& w) {
     for (int i = 0; i < 4000; ++i) {  // short and long captions in turn, none in the records
       auto& m = w.Top(0, 2).AddMessage(i % 2 ? "s" : "A subject long enough for a wide label", "");
       m.headers = "Received: from relay";
       m.messageId = std::to_string(i) + "@example.org";
     }
   }, "x1", kComplete},
  {"AListClickLeavesItAlone", 0, -1, WhileReading([](Window& w) {
     w.Pick(1);
     EXPECT_EQ(Entries(*w.form.List3), (QStringList{"2023 1", "2023 1/Q1\\/Q2", "2024 1"}));
   }), "a1 | a2", kComplete},
};
// clang-format on

// Cases print as their names.
void PrintTo(const StartUp& c, std::ostream* os) { *os << c.name; }
void PrintTo(const Export& c, std::ostream* os) { *os << c.name; }

struct StartUpPath : testing::TestWithParam<StartUp> {};
struct ExportCommand : Window, testing::WithParamInterface<Export> {};

std::string Message(const std::string& subject) {
  return "From: Ann <ann@example.org>\nSubject: " + subject + "\n\nText.\n";
}

std::string Mbox(const std::string& subject) {
  return "From ann@example.org Mon Jan  1 10:00:00 2024\n" + Message(subject) + "\n";
}

}  // namespace

// Whichever of Max and Value is set last.
TEST(ProgressBar, FillsValueOverMaxFromEmptyToFullAndNeverShowsTheBusyAnimation) {
  using Limits = std::numeric_limits<float>;  // the largest is beyond QProgressBar's int range
  const float inf = Limits::infinity(), nan = Limits::quiet_NaN(), huge = Limits::max();
  // clang-format off
  const std::tuple<float, float, double> cases[] = {
      {3, 1, 1.0 / 3}, {200000, 50000, 0.25}, {0, 0, 0}, {0, 40, 0}, {10, 11, 1}, {10, inf, 1},
      {huge, huge, 1}, {10, -1, 0}, {10, -inf, 0}, {10, nan, 0}, {nan, 5, 0}};
  // clang-format on
  for (const auto& [max, value, filled] : cases) {
    window::ProgressBar maxFirst, valueFirst;
    maxFirst.SetMax(max);
    maxFirst.SetValue(value);
    valueFirst.SetValue(value);
    valueFirst.SetMax(max);
    for (const window::ProgressBar* bar : {&maxFirst, &valueFirst})  // NaN when the range is empty
      EXPECT_NEAR(double(bar->value()) / bar->maximum(), filled, 1e-3) << value << " of " << max;
  }
}

// At 96 DPI. A right-aligned label keeps its right edge unless its text is wider than the room to
// the window's left edge; it then starts at that edge. Text from mail is shown as text, on one
// line and only its start when huge, and the label grows to fit it.
TEST_F(Window, EveryControlSitsWhereTheDesignPutsItNamedAndShowsWhatTheExportSays) {
  EXPECT_TRUE(form.size() == QSize(515, 311) && form.minimumSize() == form.maximumSize());
  EXPECT_TRUE(form.windowTitle() == "Orvane" && form.font().pointSize() == 8);
  // clang-format off
  const std::pair<QWidget*, QRect> placed[] = {
    {form.List1, {8, 16, 161, 121}}, {form.List2, {176, 16, 161, 121}},
    {form.List3, {344, 16, 161, 121}}, {form.edtMessageFile, {72, 153, 345, 25}},
    {form.ProgressBar1, {8, 240, 497, 17}}, {form.cbCancel, {168, 272, 81, 33}},
    {form.cbExport, {264, 272, 81, 33}}};
  // Each label's top, the edge it keeps, its text and its name.
  const std::tuple<QLabel*, int, int, QString, QString> labels[] = {
    {form.lblMessageCount, 144, 504, "Messages", "Message count"},
    {form.Label3, 160, 60, "Export File:", "Export File:"},
    {form.Label1, 192, 68, "Message ID:", "Message ID:"},
    {form.Label2, 216, 68, "Subject:", "Subject:"},
    {form.lblMessageID, 192, 72, "None", "Current message ID"},
    {form.lblSubject, 216, 72, "None", "Current subject"}};
  // clang-format on
  for (auto [control, geometry] : placed) EXPECT_EQ(control->geometry(), geometry);
  for (auto [label, top, edge, text, name] : labels) {
    const bool right = label->alignment() & Qt::AlignRight;
    EXPECT_EQ(label->pos(), QPoint(right ? std::max(0, edge - label->width()) : edge, top)) << text;
    EXPECT_TRUE(label->text() == text && label->accessibleName() == name && FitsItsText(*label))
        << name;
  }
  EXPECT_EQ(form.cbExport->text() + form.cbCancel->text(), "&ExportCancel");
  EXPECT_EQ(form.ProgressBar1->accessibleName(), "Export progress");

  form.edtMessageFile->setText(" /tmp/Ordner mit Ümlaut/export.txt ");
  EXPECT_EQ(form.ExportPath(), " /tmp/Ordner mit Ümlaut/export.txt ");
  form.SetProgressMax(4);
  form.SetProgressValue(2);
  EXPECT_EQ(form.ProgressBar1->value() * 2, form.ProgressBar1->maximum());
  const std::string huge = (QString("x") + QString(1'000'000, QChar(0xe9))).toStdString();
  const QString start = "x" + QString(299, QChar(0xe9)) + QChar(0x2026);
  // clang-format off
  const std::tuple<void (Form1::*)(const std::string&), QLabel*, std::string, QString> texts[] = {
    {&Form1::SetSubjectCaption, form.lblSubject, "<b>50%</b> & <i>x</i>", "<b>50%</b> & <i>x</i>"},
    {&Form1::SetMessageIdCaption, form.lblMessageID, "<a\x1b[31m\a\xc2\x85@x>", "<a [31m  @x>"},
    {&Form1::SetMessageCountCaption, form.lblMessageCount, "123456789", "123456789"},
    {&Form1::SetSubjectCaption, form.lblSubject, huge, start}};
  // clang-format on
  for (const auto& [set, label, text, shown] : texts) {
    (form.*set)(text);
    EXPECT_TRUE(label->text() == shown && FitsItsText(*label)) << shown;
  }
}

// The bar never takes the focus. Enter acts on the focused button only, Escape on none.
TEST_F(Window, KeyboardTabVisitsTheEnabledControlsInOrderAndOnlyAnEnabledExportAnswersAltE) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  auto tabbing = [] {  // the names of the controls five presses of Tab move the focus to
    QStringList visited;
    for (int i = 0; i < 5; ++i, visited << QApplication::focusWidget()->accessibleName())
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return visited.join(", ");
  };
  EXPECT_EQ(tabbing(), "Message stores, Export File, Folders, Subfolders, Export");
  form.EnterExportingState();  // both buttons could answer now
  EXPECT_TRUE(form.ProgressBar1->isVisible());
  EXPECT_EQ(tabbing(), "Export File, Folders, Subfolders, Cancel, Message stores");
  QTest::keyClick(form.List1, Qt::Key_Down);  // a list picks with the keyboard as with the mouse
  QTest::keyClick(form.List1, Qt::Key_End);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox 3", "Work", "Work (2)"}));
  form.bContinueExport = true;  // Cancel would clear it; Export would say nothing is selected
  QTest::keyClick(form.windowHandle(), Qt::Key_E, Qt::AltModifier);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
    QTest::keyClick(form.edtMessageFile, key);
  EXPECT_FALSE(QTest::qWaitFor([&] { return user.boxes.size() || !form.bContinueExport; }, 300));
  form.EnterIdleState();
  // The access key animates the press, so its click arrives a moment later.
  QTest::keyClick(form.windowHandle(), Qt::Key_E, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return user.boxes.size() == 1; }, 2000));
  QTest::keyClick(form.cbExport, Qt::Key_Return);
  EXPECT_EQ(user.boxes, QStringList(2, kNothing));
}

// Whatever the user does, the account's name and server shown as they are, the password hidden;
// from the password field Tab goes on to Log On and Skip.
TEST(PasswordDialog, EnterOrLogOnGiveThePasswordTypedSkipOrEscapeGiveNone) {
  QStringList focus;
  auto tabbing = [&](PasswordDialog& dialog) {
    for (int i = 0; i < 4; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
      focus << QApplication::focusWidget()->accessibleName();
    dialog.reject();
  };
  const std::pair<ModalUser::Act, std::optional<std::string>> answers[] = {
      {Typing("s3cret pass\u00E9", Qt::Key_Return), "s3cret pass\xC3\xA9"},
      {Typing("other", {}, &PasswordDialog::cbLogOn), "other"},
      {Typing("", Qt::Key_Enter), ""},
      {Typing("typed", {}, &PasswordDialog::cbSkip), std::nullopt},
      {Typing("typed", Qt::Key_Escape), std::nullopt},
      {tabbing, std::nullopt}};
  for (const auto& [act, answer] : answers) {
    PasswordDialog dialog("<b>Ann</b>", "imap.example.org:993", QString());
    EXPECT_TRUE(dialog.windowTitle() == "Orvane" && dialog.isModal());
    EXPECT_TRUE(dialog.lblAccount->textFormat() == Qt::PlainText && dialog.lblProblem->isHidden());
    EXPECT_EQ(dialog.edtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.cbLogOn->text() + dialog.cbSkip->text(), "&Log On&Skip Account");
    ModalUser user(nullptr, {act});
    EXPECT_EQ(dialog.Ask(), answer);
    EXPECT_EQ(dialog.edtPassword->text(), "") << "the password is not kept in the field";
  }
  EXPECT_EQ(focus, (QStringList{"Password", "Log on", "Skip this account", "Password"}));
}

// The window keeps what it got, for browsing and closing, and walks no further than it must.
TEST_P(StartUpPath, ListsWhatItCanShowsItsBoxBeforeTheWindowOpensAndClosesWithoutAWord) {
  Service service;
  for (const QString& name : kAll) service.AddStore(name.toStdString());
  GetParam().fault(service);
  Form1 form(service.Factory());
  ModalUser user(&form);
  form.Start();
  EXPECT_EQ(Entries(*form.List1), GetParam().entries);
  EXPECT_TRUE(form.isVisible()) << "the window opens whatever happened";
  EXPECT_EQ(form.objSession != nullptr, !service.failCreate);
  EXPECT_EQ(form.objInfoStores != nullptr, !GetParam().boxes.contains(kNoCollection));
  EXPECT_TRUE(GetParam().boxes.isEmpty() || !service.log->Has("stores.Begin"));
  EXPECT_TRUE(form.close() && !form.isVisible() && !form.objSession);
  EXPECT_EQ(user.boxes, GetParam().boxes);
  EXPECT_FALSE(user.ownerShown);
}

INSTANTIATE_TEST_SUITE_P(Each, StartUpPath, testing::ValuesIn(kStartUps),
                         [](const auto& info) { return std::string(info.param.name); });

// Start-up logs on once. The folders listed are always those of the store picked, the subfolders
// those of the folder picked, whatever the others are named. Closing logs off before the window
// lets go of them.
TEST_F(Window, EachEntryListsWhatItsOwnElementHoldsUntilTheWindowCloses) {
  EXPECT_EQ(service.log->CountOf("session.LogOn"), 1);
  EXPECT_EQ(Entries(*form.List1), (QStringList{"Mail", "Mail (2)", "mail"}));
  Top(1, 0).name = "Inbox\x1b[2J\a2";  // control characters show as spaces
  ClickEntry(*form.List1, 1);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox [2J 2", "Work", "Work (2)"}));
  Pick(1, 1);
  const auto subFolders = form.objSubFolders;
  ClickEntry(*form.List1, 2);  // differs from "Mail" in case only
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox 3", "Work", "Work (2)"}));
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2023 2", "2023 2/Q1\\/Q2", "2024 2"}));
  EXPECT_TRUE(form.List3->item(1)->isSelected() && form.objSubFolders == subFolders);
  Pick(0);

  service.session->On("LogOff", [&] { EXPECT_TRUE(form.objSession && form.objTopFolder); });
  EXPECT_TRUE(form.close() && service.log->CountOf("session.LogOff") == 1);
  EXPECT_FALSE(form.objSession || form.objTopFolder || form.objFolders || form.objSubFolders ||
               form.objSubFolder);
  EXPECT_NE(form.objInfoStores, nullptr) << "the store list goes with the window, not before";
}

// A failure leaves the next list cleared or without the entry that could not be read; a store
// gone since start-up changes nothing.
TEST_F(Window, FailuresWhileBrowsingLeaveTheNextListClearedOrWithoutTheUnreadableEntry) {
  Top(0, 0).Fail("Name");
  ClickEntry(*form.List1, 0);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Work", "Work (2)"}));
  Top(0, 1).ReturnNull("Folders");
  Pick(0);  // "Work", now the first entry
  EXPECT_TRUE(form.List3->count() == 0 && form.objSubFolders == nullptr);
  service.store(1).Fail("RootFolder");
  ClickEntry(*form.List1, 1);
  EXPECT_TRUE(form.List2->count() == 0 && !form.objTopFolder && !form.objFolders);
  ClickEntry(*form.List1, 0);
  const auto folders = form.objFolders;
  service.stores().elements.resize(2);
  ClickEntry(*form.List1, 2);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Work", "Work (2)"}));
  EXPECT_TRUE(form.objFolders == folders && form.objInfoStore == nullptr);
}

// While a box about an export's end is open, the bar is gone but Export stays disabled; the
// window is idle once the box is dismissed. The status labels take every message's caption at
// once, but are painted, and sized to their caption, only at the screen's pace: whatever is
// painted, and whatever the export leaves, must be sized right.
TEST_P(ExportCommand, WritesTheFileAndSaysHowItEndedThenIsIdle) {
  const Export& run = GetParam();
  user.whileOpen = [this] {
    EXPECT_TRUE(!form.cbExport->isEnabled() && form.cbCancel->isEnabled());
    EXPECT_TRUE(user.boxes.back() == kNothing || !form.ProgressBar1->isVisible());
  };
  ClickEntry(*form.List1, 0);
  Pick(run.top, run.sub);
  if (run.then) run.then(*this);
  const auto labels = {form.lblSubject, form.lblMessageID, form.lblMessageCount};
  PaintWatch watch;
  for (QLabel* label : labels) label->installEventFilter(&watch);
  QTimer nudge;  // asks for paints all through the export, as a busy screen would
  QObject::connect(&nudge, &QTimer::timeout, [&] { form.update(); });
  nudge.start(1);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(Subjects(home / "messages.txt"), run.subjects);
  EXPECT_EQ(user.boxes.join(""),
            QString(run.box).replace("~", QString::fromStdString(home.path())));
  EXPECT_TRUE(!form.ProgressBar1->isVisible() && form.cbExport->isEnabled() &&
              !form.cbCancel->isEnabled());
  EXPECT_TRUE((watch.paints > 0 || !form.isVisible()) && watch.tooNarrow.isEmpty())
      << watch.tooNarrow.join(" | ");
  for (QLabel* label : labels) EXPECT_TRUE(FitsItsText(*label)) << label->text() << " at the end";
  EXPECT_LT(form.lblSubject->x() + form.lblSubject->width(), 150) << "shrunk back to \"None\"";
}

INSTANTIATE_TEST_SUITE_P(Each, ExportCommand, testing::ValuesIn(kExports),
                         [](const auto& info) { return std::string(info.param.name); });

// The whole program on real stores in a home of the test's own, through the real window with real
// clicks: two profiles' local folders (mbox), a Maildir whose "Work" is both a Maildir++ folder
// and a plain one, and two IMAP accounts on a real Dovecot server over TLS, trusted through the
// test's own authority. Each account's password is asked for before the window opens, and asked
// again with the server's reason when refused; a skipped account is left out. The export file is
// named relative to the home, then by a link to the mail.
TEST(EndToEnd, StoresFoldersAndAccountsOfEveryKindExportTheirOwnMailAndNoneIsOverwritten) {
  TempHome home;
  home.Write(".thunderbird/profiles.ini", "[Profile0]\nPath=a.default\n[Profile1]\nPath=b.work\n");
  const std::string inbox = ".thunderbird/b.work/Mail/Local Folders/Inbox";
  home.Write(".thunderbird/a.default/Mail/Local Folders/Inbox", Mbox("Home"));
  home.Write(inbox, Mbox("Job"));
  home.Write("Maildir/.Work/cur/1700000001.1.host:2,S", Message("Dotted"));
  home.Write("Maildir/Work/cur/1700000002.2.host:2,S", Message("Plain"));
  QFile::link(QString::fromStdString(home / inbox), QString::fromStdString(home / "inbox-link"));
  home.Maildir("Maildir");
  ImapServer server(home / "Maildir", "ann", "correct horse");  // the same mail as an account
  home.SetEnv("SSL_CERT_FILE", server.caFile());
  const std::string port = std::to_string(server.imapsPort());
  home.Write(".config/orvane/accounts.conf",
             "[work]\nname = Work mail\nhost = 127.0.0.1\nport = " + port +
                 "\nsecurity = tls\nuser = ann\n[Home]\nhost = 127.0.0.1\nport = " + port +
                 "\nsecurity = tls\nuser = bob\n");

  Form1 form;  // with the program's own session, asking passwords in dialogs
  ModalUser user(&form, {Typing("wrong", Qt::Key_Return),
                         Typing("correct horse", {}, &PasswordDialog::cbLogOn),
                         Typing("", {}, &PasswordDialog::cbSkip)});
  form.Start();
  const QString asking = QString::fromStdString(
      "Enter the password of the account \u201C%1\u201D on 127.0.0.1:" + port + ". | ");
  EXPECT_EQ(user.dialogs,
            QStringList({asking.arg("Work mail"),
                         asking.arg("Work mail") + "The server refused the user name or password.",
                         asking.arg("Home")}));
  EXPECT_EQ(Entries(*form.List1),
            (QStringList{"Maildir", "Local Folders", "Local Folders (b.work)", "Work mail"}));

  form.edtMessageFile->setText("export.txt");  // in the home directory
  auto exported = [&](int store, int folder) {
    ClickEntry(*form.List1, store);
    ClickEntry(*form.List2, folder);
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    return Subjects(home / "export.txt");
  };
  EXPECT_EQ(exported(0, 2), "Plain");
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox", "Work", "Work (2)"}));
  EXPECT_EQ(exported(0, 1), "Dotted");
  EXPECT_EQ(exported(2, 0), "Job");
  EXPECT_EQ(exported(3, 1), "Dotted");

  form.edtMessageFile->setText(QString::fromStdString(home / "inbox-link"));
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_TRUE(user.boxes.back().startsWith(kFailed + QString::fromStdString(home / "inbox-link") +
                                           "\nIt is " + QString::fromStdString(home / inbox)))
      << user.boxes.back();
}

// A personal folder file in the home is a store whose folders the window lists and exports as
// the command line does; a reader that crashes in the middle of the export costs one message,
// which the box names, and the window goes on to the folder's end; so does one that stops
// answering, and the window's events go on meanwhile.
TEST(EndToEnd, APersonalFolderFileExportsLikeTheCommandLineAndOutlivesAFailedReader) {
  const std::string data = ORVANE_PFF_TEST_DATA "/enron.pst";
  if (!std::filesystem::exists(data))
    GTEST_SKIP() << "no " << data << ": run scripts/fetch-test-data.sh";
  TempHome home;
  std::filesystem::copy_file(data, home / "enron.pst");
  Form1 form;
  ModalUser user(&form);
  form.Start();
  ClickEntry(*form.List1, Entries(*form.List1).indexOf("Personal folders"));
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Deleted Items", "lokay-m"}));
  ClickEntry(*form.List2, 1);
  const QString personal = "MLOKAY (Non-Privileged)/Personal";
  ASSERT_TRUE(Entries(*form.List3).contains(personal)) << Entries(*form.List3).join(", ");
  ClickEntry(*form.List3, Entries(*form.List3).indexOf(personal));
  form.edtMessageFile->setText("export.txt");
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(user.boxes.back(), kComplete);
  const Ran ran = Orvane({"--export", "Personal folders/lokay-m/" + personal.toStdString(), "-o",
                          "cli.txt", home / "enron.pst"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(FileBytes(home / "export.txt"), FileBytes(home / "cli.txt"));

  // The export lets events through after its first message: the reader crashes, or stops, there.
  // Through the wait for a stopped reader the window still handles its events (a timer here).
  setenv("ORVANE_PFF_READER_SILENCE", "2", 1);
  for (auto [signal, ending] :
       {std::pair{SIGSEGV, "ended with signal 11 (Segmentation fault)"},
        std::pair{SIGSTOP, "stopped answering for 2 seconds and was ended"}}) {
    int ticks = 0;
    QTimer ticking;
    QObject::connect(&ticking, &QTimer::timeout, [&ticks] { ++ticks; });
    QTimer::singleShot(0, [&, signal = signal] {
      ::kill(Readers().back(), signal);
      ticking.start(100);
    });
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    EXPECT_TRUE(user.boxes.back().startsWith(kComplete + "\n\n1 message could not be read in "
                                             "full:\n"))
        << user.boxes.back();
    EXPECT_TRUE(user.boxes.back().endsWith(": the message could not be read: the reader " +
                                           QString(ending)))
        << user.boxes.back();
    const std::string written = FileBytes(home / "export.txt");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\f'), 47);
    EXPECT_GE(ticks, signal == SIGSTOP ? 15 : 0);
  }
  unsetenv("ORVANE_PFF_READER_SILENCE");
  EXPECT_TRUE(form.cbExport->isEnabled());
}

// Trees five levels deep in every kind of store, through the real window: List3 lists every
// folder below the top-level folder "Archive", depth-first, a deeper one by its path, and each
// entry exports that folder's own messages (each folder's message is named after its path). A
// directory of mbox files keeps mail only in the files, not in the directories that hold them.
struct Tree {
  const char* name;
  QString store;
  std::function<void(TempHome&, const std::string& path, bool hasChildren)> make;
  bool onlyLeavesHoldMail = false;
};

std::string Dotted(std::string path) {
  std::replace(path.begin(), path.end(), '/', '.');
  return path;
}

std::string Sbd(const std::string& path) {  // "A/B/C" as "A.sbd/B.sbd/C"
  std::string sbd;
  for (char c : path) sbd += c == '/' ? std::string(".sbd/") : std::string(1, c);
  return sbd;
}

std::string KMailPath(const std::string& path) {  // "A/B/C" as ".A.directory/.B.directory/C"
  std::string kmail;
  std::size_t from = 0;
  for (std::size_t slash; (slash = path.find('/', from)) != std::string::npos; from = slash + 1) {
    const std::string name = path.substr(from, slash - from);
    kmail += "." + name + ".directory/";
  }
  return kmail + path.substr(from);
}

const std::string kMaildirFile = "/cur/1700000000.1.host:2,S";

// clang-format off
const Tree kTrees[] = {
  {"MaildirPlusPlus", "Maildir", [](TempHome& h, const std::string& path, bool) {
     h.Write("Maildir/." + Dotted(path) + kMaildirFile, Message(path)); }},
  {"MaildirDirectories", "Maildir", [](TempHome& h, const std::string& path, bool) {
     h.Write("Maildir/" + path + kMaildirFile, Message(path)); }},
  {"MboxDirectories", "Mail", [](TempHome& h, const std::string& path, bool children) {
     if (!children) h.Write("Mail/" + path, Mbox(path)); }, true},
  {"ClawsMh", "Mail", [](TempHome& h, const std::string& path, bool) {
     h.Write("Mail/" + path + "/.mh_sequences", "");
     h.Write("Mail/" + path + "/1", Message(path)); }},
  {"Evolution", "Evolution", [](TempHome& h, const std::string& path, bool) {
     h.Write(".local/share/evolution/mail/local/." + Dotted(path) + kMaildirFile, Message(path)); }},
  {"KMail", "KMail", [](TempHome& h, const std::string& path, bool) {
     h.Write(".local/share/local-mail/" + KMailPath(path) + kMaildirFile, Message(path)); }},
  {"ThunderbirdMbox", "Local Folders", [](TempHome& h, const std::string& path, bool) {
     h.Write(".thunderbird/a/Mail/Local Folders/" + Sbd(path), Mbox(path)); }},
  {"ThunderbirdMaildir", "Local Folders", [](TempHome& h, const std::string& path, bool) {
     h.Write(".thunderbird/a/Mail/Local Folders/" + Sbd(path) + kMaildirFile, Message(path)); }},
  {"Imap", "Work mail", [](TempHome& h, const std::string& path, bool) {
     h.Maildir("served/." + Dotted(path));
     h.Write("served/." + Dotted(path) + kMaildirFile, Message(path)); }},
};
// clang-format on

void PrintTo(const Tree& c, std::ostream* os) { *os << c.name; }
struct DeepTree : testing::TestWithParam<Tree> {};

TEST_P(DeepTree, ListsEveryFolderBelowTheTopLevelFolderAndExportsEachByItsEntry) {
  const Tree& tree = GetParam();
  TempHome home;
  home.Write(".thunderbird/profiles.ini", "[Profile0]\nPath=a\n");
  const std::vector<std::string> below = {"2022", "2023", "2023/Q1", "2023/Q1/Jan",
                                          "2023/Q1/Jan/Week 1"};
  tree.make(home, "Archive", true);
  for (const std::string& path : below)
    tree.make(home, "Archive/" + path, path != "2022" && path != "2023/Q1/Jan/Week 1");
  std::unique_ptr<ImapServer> server;
  if (tree.store == "Work mail") {
    home.Maildir("served");
    server = std::make_unique<ImapServer>(home / "served", "ann", "correct horse");
    home.SetEnv("SSL_CERT_FILE", server->caFile());
    home.Write(".config/orvane/accounts.conf",
               "[work]\nname = Work mail\nhost = 127.0.0.1\n"
               "port = " +
                   std::to_string(server->imapsPort()) + "\nsecurity = tls\nuser = ann\n");
  }
  Form1 form;
  ModalUser user(&form, {Typing("correct horse", Qt::Key_Return)});
  form.Start();
  ClickEntry(*form.List1, Entries(*form.List1).indexOf(tree.store));
  ClickEntry(*form.List2, Entries(*form.List2).indexOf("Archive"));
  QStringList rows;
  for (const std::string& path : below) rows << QString::fromStdString(path);
  ASSERT_EQ(Entries(*form.List3), rows);
  form.edtMessageFile->setText("export.txt");
  QTest::mouseClick(form.cbExport, Qt::LeftButton);   // Archive itself, no subfolder picked
  QStringList all = {Subjects(home / "export.txt")};  // as the window exports them, one by one
  for (int row = 0; row < int(below.size()); ++row) {
    ClickEntry(*form.List3, row);
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    const bool holdsMail = !tree.onlyLeavesHoldMail || row == 0 || row == 4;
    EXPECT_EQ(Subjects(home / "export.txt"),
              holdsMail ? QString::fromStdString("Archive/" + below[row]) : "")
        << below[row];
    all << Subjects(home / "export.txt");
  }
  // The command line's --recursive writes them all, in the same order, into one file.
  home.Write("password", "correct horse\n");
  std::filesystem::permissions(home / "password", std::filesystem::perms::owner_read,
                               std::filesystem::perm_options::replace);
  const Ran ran = Orvane({"--export", tree.store.toStdString() + "/Archive", "--recursive",
                          "--password-file", "password", "-o", "cli.txt"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  all.removeAll("");
  EXPECT_EQ(Subjects(home / "cli.txt"), all.join(" | "));
}

INSTANTIATE_TEST_SUITE_P(Stores, DeepTree, testing::ValuesIn(kTrees),
                         [](const auto& info) { return std::string(info.param.name); });

// The same messages kept by each mail program of a Linux desktop, all found in one home with no
// set-up, export through the real window to exactly the bytes that a plain Maildir of them gives;
// so do mbox files of them compressed by gzip, bzip2 and xz, beside the MH folder in ~/Mail.
struct Keeper {
  const char* name;
  QString store, folder;
  std::function<void(TempHome&, int i, const std::string& message)> keep;
};

// Messages as an mbox file keeps them: each after an envelope line, with ">" put before every
// line that reads "From " after any number of ">", and an empty line after it.
std::string MboxOf(const std::vector<std::string>& messages) {
  std::string mbox;
  for (const std::string& message : messages) {
    mbox += "From corpus@example.org Mon Mar  4 10:00:00 2024\n";
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t text = line.find_first_not_of('>');
      if (text != std::string::npos && line.compare(text, 5, "From ") == 0) mbox += ">";
      mbox += line + "\n";
    }
    mbox += "\n";
  }
  return mbox;
}

std::string MaildirName(int i) {
  return "/cur/" + std::to_string(corpus::kFirstDelivery + 60L * i) + "." + std::to_string(i) +
         ".host:2,S";
}

// clang-format off
const Keeper kKeepers[] = {
  {"Evolution", "Evolution", "Inbox", [](TempHome& h, int i, const std::string& m) {
     h.Write(".local/share/evolution/mail/local" + MaildirName(i), m); }},
  {"KMail", "KMail", "inbox", [](TempHome& h, int i, const std::string& m) {
     h.Write(".local/share/local-mail/inbox" + MaildirName(i), m); }},
  {"ThunderbirdMaildir", "Local Folders", "Inbox", [](TempHome& h, int i, const std::string& m) {
     h.Write(".thunderbird/a/Mail/Local Folders/Inbox" + MaildirName(i), m); }},
  {"ClawsMh", "Mail", "inbox", [](TempHome& h, int i, const std::string& m) {
     h.Write("Mail/inbox/.claws_mark", "");
     h.Write("Mail/inbox/" + std::to_string(i + 1), m); }},
  {"Nmh", "MH", "inbox", [](TempHome& h, int i, const std::string& m) {
     h.Write(".mh_profile", "Path: nmh\n");
     h.Write("nmh/inbox/" + std::to_string(i + 1), m); }},
  // The plain Maildir itself, served by Dovecot as an IMAP account.
  {"Imap", "Work mail", "INBOX", [](TempHome&, int, const std::string&) {}},
};
// clang-format on

// Compressed by the real tools, once every message is kept.
const std::vector<std::string> kCompressors = {"gzip", "bzip2", "xz"};

void PrintTo(const Keeper& c, std::ostream* os) { *os << c.name; }
struct KeptBy : testing::TestWithParam<Keeper> {};

TEST_P(KeptBy, ExportsTheBytesOfThePlainMaildirOfTheSameMessages) {
  TempHome home;
  home.Write(".thunderbird/profiles.ini", "[Profile0]\nPath=a\n");
  std::vector<std::string> messages = corpus::CorpusMessages(40);
  std::erase(messages, DataFile("messages/envelope-line.eml"));  // an mbox could not keep it
  for (int i = 0; i < int(messages.size()); ++i) {
    home.Write("Maildir" + MaildirName(i), messages[i]);
    for (const Keeper& keeper : kKeepers) keeper.keep(home, i, messages[i]);
  }
  for (const std::string& tool : kCompressors) {
    home.Write("Mail/" + tool, MboxOf(messages));
    ASSERT_EQ(std::system((tool + " " + home / ("Mail/" + tool)).c_str()), 0);
  }
  std::unique_ptr<ImapServer> server;
  if (GetParam().store == "Work mail") {
    server = std::make_unique<ImapServer>(home / "Maildir", "ann", "correct horse");
    home.SetEnv("SSL_CERT_FILE", server->caFile());
    home.Write(".config/orvane/accounts.conf",
               "[work]\nname = Work mail\nhost = 127.0.0.1\nport = " +
                   std::to_string(server->imapsPort()) + "\nsecurity = tls\nuser = ann\n");
    home.Write("password", "correct horse\n");
    std::filesystem::permissions(home / "password", std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::replace);
  }
  Form1 form;
  ModalUser user(&form, server ? std::vector{Typing("correct horse", Qt::Key_Return)}
                               : std::vector<ModalUser::Act>{});
  form.Start();
  auto exported = [&](const QString& store, const QString& folder) {
    ClickEntry(*form.List1, Entries(*form.List1).indexOf(store));
    ClickEntry(*form.List2, Entries(*form.List2).indexOf(folder));
    form.edtMessageFile->setText("export.txt");
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    QFile file(QString::fromStdString(home / "export.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  const QByteArray plain = exported("Maildir", "Inbox");
  EXPECT_EQ(plain.count("\r\n\f\r\n"), qsizetype(messages.size()));
  // The command line writes the window's bytes too.
  auto headless = [&](const QString& store, const QString& folder) {
    std::vector<std::string> args = {"--export", (store + "/" + folder).toStdString()};
    if (server) args.insert(args.end(), {"--password-file", "password"});
    args.insert(args.end(), {"-o", "cli.txt"});
    const Ran ran = Orvane(args);
    EXPECT_EQ(ran.status, 0) << ran.err;
    return QByteArray::fromStdString(FileBytes(home / "cli.txt"));
  };
  EXPECT_EQ(exported(GetParam().store, GetParam().folder), plain);
  EXPECT_EQ(headless(GetParam().store, GetParam().folder), plain);
  if (GetParam().name == std::string("ClawsMh")) {
    for (const std::string& tool : kCompressors) {
      EXPECT_EQ(exported("Mail", QString::fromStdString(tool)), plain) << tool;
      EXPECT_EQ(headless("Mail", QString::fromStdString(tool)), plain) << tool;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Desktop, KeptBy, testing::ValuesIn(kKeepers),
                         [](const auto& info) { return std::string(info.param.name); });

// OAuth2 accounts through the real window: each signs in at the tests' own authorization server
// in the browser the test plays, its dialog saying what is happening, and logs on to the test
// Dovecot with the token it got. Signed in, its INBOX exports the bytes the same mailbox exports
// through a password account, even when its token has run out and the server cut the connection;
// a sign-in that fails shows the servers' own reason, and Cancel skips the account.
// Neither code nor token is left anywhere in the home, nor shown, nor written to standard error.
// Asked to remember the sign-in, the program keeps the refresh token in the desktop's secret
// service (a real one of the test's own) and signs in with it at the next start without the
// browser, or, once it is refused, in the browser again; not asked, it keeps nothing there. A
// provider that gives a new refresh token with each renewal has the new one kept.
enum class Remember { No, Kept, KeptThenRevoked, KeptAndRotated, NoSecretService };

// A desktop's secret service of the test's own: a session bus in the home and a keyring daemon
// on it, unlocked with the test's password. Ends with the test.
struct SecretService {
  explicit SecretService(TempHome& home, bool running) {
    home.SetEnv("XDG_RUNTIME_DIR", home.Directory("run"));
    home.SetEnv("XDG_CURRENT_DESKTOP", std::nullopt);
    if (!running) {
      home.SetEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home / "run/no-bus");
      return;
    }
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    EXPECT_TRUE(bus.waitForReadyRead(10000)) << "dbus-daemon did not start";
    home.SetEnv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed().toStdString());
    // It goes on in the background, and ends with the bus.
    QProcess keyring;
    keyring.start("gnome-keyring-daemon", {"--unlock", "--components=secrets"});
    keyring.write("the test's keyring password");
    keyring.closeWriteChannel();
    EXPECT_TRUE(keyring.waitForFinished(10000) && keyring.exitCode() == 0)
        << "gnome-keyring-daemon did not start";
  }
  ~SecretService() {
    bus.terminate();
    bus.waitForFinished();
  }
  // Every secret the program keeps there, through the desktop's own tool.
  std::string Kept() {
    QProcess tool;
    tool.start("secret-tool", {"lookup", "server", "Orvane"});
    tool.waitForFinished();
    return tool.readAllStandardOutput().toStdString();
  }
  QProcess bus;
};

// Standard error into a file of the home while it lives, which the scan of the home then reads.
struct StandardErrorIn {
  explicit StandardErrorIn(const std::string& file)
      : saved(dup(2)), fd(::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600)) {
    dup2(fd, 2);
  }
  ~StandardErrorIn() {
    dup2(saved, 2);
    ::close(saved);
    ::close(fd);
  }
  int saved, fd;
};

struct SignIn {
  const char* name;
  const char* mechanisms;  // all the server offers, a password's beside the token's
  Browser::Acts browser = Browser::Acts::Follow;
  int lifetime = 600;  // of each access token, in seconds
  bool revoked = false;  // every refresh token refused
  QString problem = {};  // what the dialog says failed, when the account is skipped
  Remember remember = Remember::No;
};

const SignIn kSignIns[] = {
    {"OverXOAuth2", "plain xoauth2"},
    {"OverOAuthBearerRenewedWhenCutAfterTheTokenRanOut", "plain oauthbearer",
     Browser::Acts::Follow, 3},
    {"ChallengeSwappedOnTheWay", "plain xoauth2", Browser::Acts::SwapChallenge, 600, false,
     "The authorization server refused to give Orvane access: The code verifier does not match "
     "the code challenge. (invalid_grant)"},
    {"RefreshTokenRevoked", "plain xoauth2", Browser::Acts::Follow, 3, true,
     "The authorization server would not renew access: The refresh token was revoked. "
     "(invalid_grant)"},
    {"CancelledWhileTheBrowserWaits", "plain xoauth2", Browser::Acts::Ignore, 600, false,
     "cancelled"},
    {"RememberedAndUsedAtTheNextStart", "plain xoauth2", Browser::Acts::Follow, 600, false, {},
     Remember::Kept},
    {"RememberedButRevokedSignsInAgain", "plain oauthbearer", Browser::Acts::Follow, 600, false,
     {}, Remember::KeptThenRevoked},
    {"RememberedAndRenewedWithNewRefreshTokens", "plain xoauth2", Browser::Acts::Follow, 3, false,
     {}, Remember::KeptAndRotated},
    {"RememberedWithoutASecretService", "plain xoauth2", Browser::Acts::Follow, 600, false, {},
     Remember::NoSecretService},
};

void PrintTo(const SignIn& c, std::ostream* os) { *os << c.name; }
struct SignsIn : testing::TestWithParam<SignIn> {};

TEST_P(SignsIn, AtTheProviderInTheBrowserThenExportsAsAPasswordAccountDoesOrSaysWhyNot) {
  const SignIn& row = GetParam();
  TempHome home;
  SecretService secrets(home, row.remember != Remember::NoSecretService);
  const StandardErrorIn standardError(home / "stderr.txt");
  const std::vector<std::string> messages = corpus::CorpusMessages(120);
  for (int i = 0; i < 120; ++i) home.Write("served" + MaildirName(i), messages[i]);
  home.Maildir("served");
  const std::string key = "the test's own key";
  ImapServer server(home / "served", "ann", "correct horse", true,
                    ImapServer::OAuth{row.mechanisms, key});
  home.SetEnv("SSL_CERT_FILE", server.caFile());
  AuthorizationServer authorization(key, "ann", row.lifetime);
  if (row.revoked) authorization.Revoke();
  if (row.remember == Remember::KeptAndRotated) authorization.Rotate();
  // The same mailbox twice: with the password over STARTTLS, and signed in over TLS.
  home.Write(".config/orvane/accounts.conf",
             "[Password]\nhost = 127.0.0.1\nport = " + std::to_string(server.imapPort()) +
                 "\nsecurity = starttls\nuser = ann\n[Token]\nname = Work mail\n"
                 "host = 127.0.0.1\nport = " + std::to_string(server.imapsPort()) +
                 "\nuser = ann\nauth = oauth2\nauthorize_url = " + authorization.url() +
                 "/authorize\ntoken_url = " + authorization.url() +
                 "/token\nscope = mail\nclient_id = orvane-test\nclient_secret = s3cr3t-of-test\n" +
                 (row.remember == Remember::No ? "" : "remember = yes\n"));
  Browser browser(row.browser);
  // A sign-in after the first would succeed and fail in turn for ever: the user stops there.
  browser.pagesToAnswer = 1;
  Form1 form;
  ModalUser user(&form, {Typing("correct horse", Qt::Key_Return)});
  QStringList signIns;  // each dialog's text, and what failed when it says
  const QDialog* cancelled = nullptr;
  user.whileSigningIn = [&](window::SignInDialog& dialog) {
    if (&dialog == cancelled) return;  // closing
    if (signIns.isEmpty() || !signIns.back().startsWith(dialog.lblAccount->text()))
      signIns << dialog.lblAccount->text();
    // Once something failed, or once the page is open in a browser that will not answer.
    const bool failed = dialog.lblProblem->isVisible();
    if (failed || (row.browser == Browser::Acts::Ignore && !browser.opened.isEmpty())) {
      signIns.back() += " | " + (failed ? dialog.lblProblem->text() : QString("cancelled"));
      browser.acts = Browser::Acts::Ignore;
      cancelled = &dialog;
      QTest::mouseClick(dialog.cbCancel, Qt::LeftButton);
    }
  };
  form.Start();
  ASSERT_FALSE(browser.opened.isEmpty());
  const QUrlQuery page(QUrl(browser.opened.front()));
  EXPECT_EQ(page.queryItemValue("code_challenge_method"), "S256");
  EXPECT_TRUE(page.queryItemValue("redirect_uri").startsWith("http://127.0.0.1:"));
  const QString waiting = QString::fromStdString(
      "Sign in to the account \u201CWork mail\u201D on 127.0.0.1:" +
      std::to_string(server.imapsPort()) +
      " in your web browser. Orvane has opened the sign-in page and waits here until the "
      "provider answers.");
  const QString unremembered =
      "\n\nThe desktop's secret service cannot be used (Could not connect: No such file or "
      "directory), so Orvane does not remember this sign-in.";
  // No code, token or secret in any file of the home but the account file the user wrote (the
  // keyring's file there is encrypted), standard error's among them, nor in any dialog or box.
  auto nothingShownOrLeft = [&](const std::vector<std::string>& secretTexts) {
    for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
      if (!entry.is_regular_file() || entry.path().filename() == "accounts.conf") continue;
      const std::string bytes = FileBytes(entry.path());
      for (const std::string& secret : secretTexts)
        EXPECT_EQ(bytes.find(secret), std::string::npos) << entry.path() << " holds " << secret;
    }
    // Nor shown in any dialog or box.
    for (const QString& text : signIns + user.boxes + user.dialogs)
      for (const std::string& secret : secretTexts)
        EXPECT_FALSE(text.contains(QString::fromStdString(secret))) << text.toStdString();
  };
  if (!row.problem.isEmpty()) {
    // A revoked refresh token is found out once the first sign-in is over: its dialog, which
    // closes by itself, may have come and gone unnoticed.
    ASSERT_FALSE(signIns.isEmpty());
    EXPECT_EQ(signIns.back().toStdString(), (waiting + " | " + row.problem).toStdString());
    EXPECT_LE(signIns.size(), row.revoked ? 2 : 1);
    EXPECT_EQ(Entries(*form.List1), (QStringList{"Password"}));
    const QString code = browser.followed.isEmpty()
                             ? QString()
                             : QUrlQuery(QUrl(browser.followed.front())).queryItemValue("code");
    nothingShownOrLeft({"eyJ", "s3cr3t-of-test", code.isEmpty() ? "eyJ" : code.toStdString()});
    return;
  }
  EXPECT_EQ(signIns.join(" / ").toStdString(),
            (waiting + (row.remember == Remember::NoSecretService ? unremembered : QString()))
                .toStdString());
  ASSERT_EQ(Entries(*form.List1), (QStringList{"Password", "Work mail"}));

  auto exported = [&](int store) {
    ClickEntry(*form.List1, store);
    EXPECT_EQ(Entries(*form.List2).size(), 1) << "the account's INBOX is listed";
    if (form.List2->count() == 0) return QByteArray();
    ClickEntry(*form.List2, 0);
    form.edtMessageFile->setText("export.txt");
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    QFile file(QString::fromStdString(home / "export.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  const QByteArray plain = exported(0);
  EXPECT_EQ(plain.count("\r\n\f\r\n"), 120);
  if (row.lifetime < 60) {
    // The token runs out, and the server cuts every connection: the account's connection is
    // reopened with a renewed token, as in the middle of an export (see the IMAP store's tests).
    // Past the second the token ends in, as the server counts whole seconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(row.lifetime * 1000 + 1100));
    server.Stop();
    server.Start();
  }
  EXPECT_EQ(exported(1), plain);
  EXPECT_EQ(user.boxes.size(), 2) << "each export said it ended, and nothing else: "
                                  << user.boxes.join(" / ");

  ASSERT_FALSE(browser.followed.isEmpty());
  const QString code = QUrlQuery(QUrl(browser.followed.front())).queryItemValue("code");
  ASSERT_FALSE(code.isEmpty());
  std::vector<std::string> secretTexts = {"eyJ", "s3cr3t-of-test", code.toStdString()};
  const std::string kept = secrets.Kept();
  if (row.remember == Remember::Kept || row.remember == Remember::KeptThenRevoked ||
      row.remember == Remember::KeptAndRotated) {
    ASSERT_GE(kept.size(), 20u) << "the refresh token is kept in the secret service";
    secretTexts.push_back(kept);
    // The next start signs in with it, without the browser; once it is refused, in the browser,
    // and the new refresh token takes its place.
    if (row.remember == Remember::KeptThenRevoked) authorization.Revoke();
    const qsizetype pages = browser.opened.size();
    browser.pagesToAnswer = 1;
    user.timer.stop();
    Form1 again;
    ModalUser next(&again, {Typing("correct horse", Qt::Key_Return)});
    QStringList seen;  // the dialogs of the next start
    next.whileSigningIn = [&](window::SignInDialog& dialog) {
      const QString text = dialog.lblAccount->text() +
                           (dialog.lblProblem->isVisible() ? " | " + dialog.lblProblem->text() : "");
      if (!seen.contains(text)) seen << text;
    };
    again.Start();
    signIns += seen;
    EXPECT_EQ(Entries(*again.List1), (QStringList{"Password", "Work mail"}));
    if (row.remember != Remember::KeptThenRevoked) {
      // The kept token is the last one given, renewals in the middle of the exports included:
      // an older one would now be refused.
      EXPECT_EQ(browser.opened.size(), pages);
      EXPECT_EQ(seen, QStringList());
      if (row.remember == Remember::Kept) EXPECT_EQ(secrets.Kept(), kept);
      else EXPECT_NE(secrets.Kept(), kept);
    } else {
      EXPECT_EQ(browser.opened.size(), pages + 1);
      EXPECT_EQ(seen.join(" / ").toStdString(),
                (waiting + " | The authorization server refused the sign-in Orvane remembered: "
                           "The refresh token was revoked. (invalid_grant)")
                    .toStdString());
      EXPECT_NE(secrets.Kept(), kept);
      EXPECT_GE(secrets.Kept().size(), 20u);
    }
    if (row.remember != Remember::KeptThenRevoked) {
      // The command line signs in as remembered too, and exports the same bytes.
      const std::string before = secrets.Kept();
      const Ran ran = Orvane({"--export", "Work mail/INBOX", "-o", home / "command-line.txt"});
      EXPECT_EQ(ran.status, 0) << ran.err;
      EXPECT_EQ(FileBytes(home / "command-line.txt"), plain.toStdString());
      EXPECT_EQ(browser.opened.size(), pages);
      if (row.remember == Remember::KeptAndRotated) EXPECT_NE(secrets.Kept(), before);
      else EXPECT_EQ(secrets.Kept(), before);
      signIns << QString::fromStdString(ran.err);
      // What it kept is taken the next time, renewals of its own export's threads included.
      const Ran next = Orvane({"--export", "Work mail/INBOX", "-o", home / "command-line.txt"});
      EXPECT_EQ(next.status, 0) << next.err;
    }
  } else {
    EXPECT_EQ(kept, "") << "nothing is kept in the secret service";
  }
  if (row.remember != Remember::Kept && row.remember != Remember::KeptAndRotated) {
    // Without a window, nor a sign-in remembered that the provider takes, the command line says
    // what the account needs.
    const Ran ran = Orvane({"--export", "Work mail/INBOX", "-o", home / "command-line.txt"});
    const std::string why =
        row.remember == Remember::No ? ""
        : row.remember == Remember::NoSecretService
            ? unremembered.trimmed().toStdString() + " "
            : "The authorization server refused the sign-in Orvane remembered: The refresh token "
              "was revoked. (invalid_grant) ";
    EXPECT_EQ(ran.err.substr(0, ran.err.find('\n') + 1),
              "orvane: Work mail on 127.0.0.1:" + std::to_string(server.imapsPort()) + ": " + why +
                  "The account signs in with OAuth2 in a web browser, which needs the window: "
                  "sign in there once with \"remember = yes\" in the account's lines of the "
                  "account file, and the command line signs in as remembered. It is left out.\n");
    signIns << QString::fromStdString(ran.err);
  }
  if (row.remember == Remember::NoSecretService) {
    EXPECT_EQ(QString::fromStdString(FileBytes(home / "stderr.txt")).count("secret service"), 1);
  }
  nothingShownOrLeft(secretTexts);
}

INSTANTIATE_TEST_SUITE_P(OAuth2, SignsIn, testing::ValuesIn(kSignIns),
                         [](const auto& info) { return std::string(info.param.name); });

int main(int argc, char* argv[]) {
  // CTest runs these on the offscreen platform; so does listing them at build time.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
