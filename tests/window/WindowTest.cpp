// The window on the scripted store: its controls, what they show before anything happens and as
// an export goes, and the keyboard.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <limits>

#include "ScriptedStore.h"
#include "TempHome.h"
#include "window/AutoSizeLabel.h"
#include "window/Form1.h"
#include "window/PasswordDialog.h"
#include "window/ProgressBar.h"

using scripted::ScriptedFolder;
using window::Form1;
using window::PasswordDialog;
using Service = scripted::ScriptedService;

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
  std::vector<Act> acts;
  QTimer timer;
  int waits = 0;
};

// The window started on stores "Mail", "Mail" and "mail", in a home of the test's own. Store n
// holds the top-level folders "Inbox <n>" (messages "a1" and "a2"), "Work" ("w1"; subfolders
// "2023 <n>" with "s1", and "2024 <n>") and a second "Work" ("x1").
struct Window : testing::Test {
  void SetUp() override {
    for (const char* name : {"Mail", "Mail", "mail"}) {
      ScriptedFolder& root = *service.AddStore(name).root;
      const std::string n = std::to_string(service.stores().elements.size());
      root.AddFolder("Inbox " + n).AddMessage("a1", "");
      root.folder(0).AddMessage("a2", "");
      root.AddFolder("Work").AddMessage("w1", "");
      root.folder(1).AddFolder("2023 " + n).AddMessage("s1", "");
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

const QString kNothing = "Orvane | NoIcon | No Message Folder Selected";

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
