#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <vector>

#include "window/AutoSizeLabel.h"
#include "window/Form1.h"
#include "window/ProgressBar.h"

using window::Form1;

namespace {

std::vector<QWidget*> Controls(const Form1& f) {
  return {f.cbCancel,   f.ProgressBar1, f.List3,          f.List2,  f.edtMessageFile,
          f.List1,      f.cbExport,     f.Label1,         f.Label2, f.Label3,
          f.lblSubject, f.lblMessageID, f.lblMessageCount};
}

int TextWidth(const QLabel* label) {
  return QFontMetrics(label->font()).horizontalAdvance(label->text());
}

class WindowLayout : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(form.logicalDpiX(), 96) << "pixel values below are at 96 DPI"; }
  Form1 form;
};

}  // namespace

TEST_F(WindowLayout, ClientAreaIsFixedAt515By311UnderTheTitleOrvane) {
  EXPECT_EQ(form.size(), QSize(515, 311));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.windowTitle(), "Orvane");
}

TEST_F(WindowLayout, EveryControlUsesTheWindowsEightPointFont) {
  EXPECT_EQ(form.font().pointSize(), 8);
  for (QWidget* control : Controls(form)) {
    EXPECT_FALSE(control->testAttribute(Qt::WA_SetFont)) << control->accessibleName().toStdString();
    EXPECT_EQ(control->font(), form.font());
  }
}

TEST_F(WindowLayout, ListsBoxBarAndButtonsSitWhereTheDesignPutsThem) {
  EXPECT_EQ(form.List1->geometry(), QRect(8, 16, 161, 121));
  EXPECT_EQ(form.List2->geometry(), QRect(176, 16, 161, 121));
  EXPECT_EQ(form.List3->geometry(), QRect(344, 16, 161, 121));
  EXPECT_EQ(form.edtMessageFile->geometry(), QRect(72, 153, 345, 25));  // 2290 twips: 152.7 px
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(8, 240, 497, 17));
  EXPECT_EQ(form.cbCancel->geometry(), QRect(168, 272, 81, 33));
  EXPECT_EQ(form.cbExport->geometry(), QRect(264, 272, 81, 33));
}

TEST_F(WindowLayout, LabelsFitTheirTextLeftOnesKeepTheirLeftEdgeRightOnesTheirRightEdge) {
  struct Expected {
    window::AutoSizeLabel* label;
    int top, edge;
    bool keepsRight;
  };
  for (auto [label, top, edge, keepsRight] :
       {Expected{form.lblMessageCount, 144, 504, true}, Expected{form.Label3, 160, 60, true},
        Expected{form.Label1, 192, 68, true}, Expected{form.Label2, 216, 68, true},
        Expected{form.lblMessageID, 192, 72, false}, Expected{form.lblSubject, 216, 72, false}}) {
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_EQ(label->y(), top);
    EXPECT_GE(label->width(), TextWidth(label));
    if (!keepsRight) EXPECT_EQ(label->x(), edge);
    // A text wider than the room to the window's left edge starts at that edge instead.
    else if (TextWidth(label) <= edge)
      EXPECT_EQ(label->x() + label->width(), edge);
    else
      EXPECT_EQ(label->x(), 0);
  }
}

TEST_F(WindowLayout, NoTwoControlsOverlapAndAllLieInsideTheWindow) {
  const auto controls = Controls(form);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    EXPECT_TRUE(form.rect().contains(controls[i]->geometry()))
        << controls[i]->accessibleName().toStdString();
    for (std::size_t j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
          << controls[i]->accessibleName().toStdString() << " / "
          << controls[j]->accessibleName().toStdString();
  }
}

TEST_F(WindowLayout, EveryControlHasItsOwnAccessibleName) {
  QStringList names;
  for (QWidget* control : Controls(form)) names << control->accessibleName();
  EXPECT_EQ(names.filter(QRegularExpression("^$")).size(), 0) << names.join(", ").toStdString();
  EXPECT_EQ(names.removeDuplicates(), 0) << names.join(", ").toStdString();
  EXPECT_EQ(form.cbExport->accessibleName(), "Export");
  EXPECT_EQ(form.cbCancel->accessibleName(), "Cancel");
  EXPECT_EQ(form.edtMessageFile->accessibleName(), "Export File");
}

TEST(WindowStartState, ControlsShowTheirIdleTextsAndNothingIsChosen) {
  QTemporaryDir home;
  const QByteArray savedHome = qgetenv("HOME");
  qputenv("HOME", home.path().toUtf8());
  Form1 form;
  qputenv("HOME", savedHome);

  EXPECT_EQ(form.edtMessageFile->text(), home.path() + "/messages.txt");
  const std::pair<QString, QString> texts[] = {
      {form.cbExport->text(), "&Export"},         {form.cbCancel->text(), "Cancel"},
      {form.lblMessageCount->text(), "Messages"}, {form.lblMessageID->text(), "None"},
      {form.lblSubject->text(), "None"},          {form.Label1->text(), "Message ID:"},
      {form.Label2->text(), "Subject:"},          {form.Label3->text(), "Export File:"}};
  for (const auto& [shown, expected] : texts) EXPECT_EQ(shown, expected);
  for (QListWidget* list : {form.List1, form.List2, form.List3}) {
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(list->currentRow(), -1);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  }
  EXPECT_FALSE(form.ProgressBar1->isVisibleTo(&form));
  EXPECT_EQ(form.ProgressBar1->Max(), 100.0f);
  EXPECT_EQ(form.ProgressBar1->Value(), 0.0f);
  EXPECT_TRUE(form.cbExport->isEnabled());
  EXPECT_FALSE(form.cbCancel->isEnabled());
  EXPECT_FALSE(form.bContinueExport);
  EXPECT_FALSE(form.objSession || form.objInfoStores || form.objInfoStore || form.objFolders ||
               form.objTopFolder || form.objSubFolders || form.objSubFolder);
}
