#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "WindowTesting.h"
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

class WindowLayout : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(form.logicalDpiX(), 96) << "pixel values below are at 96 DPI"; }
  Form1 form;
};

}  // namespace

TEST_F(WindowLayout, TheWindowIsFixedAt515By311TitledOrvaneAndAllOfItInTheEightPointFont) {
  EXPECT_EQ(form.size(), QSize(515, 311));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.windowTitle(), "Orvane");
  EXPECT_EQ(form.font().pointSize(), 8);
  for (QWidget* control : Controls(form)) EXPECT_EQ(control->font(), form.font());
}

// Left labels keep their left edge, right ones their right edge, unless the text is wider than
// the room to the window's left edge: then they start at that edge.
TEST_F(WindowLayout, EveryControlSitsWhereTheDesignPutsItAndLabelsFitTheirText) {
  EXPECT_EQ(form.List1->geometry(), QRect(8, 16, 161, 121));
  EXPECT_EQ(form.List2->geometry(), QRect(176, 16, 161, 121));
  EXPECT_EQ(form.List3->geometry(), QRect(344, 16, 161, 121));
  EXPECT_EQ(form.edtMessageFile->geometry(), QRect(72, 153, 345, 25));  // 2290 twips: 152.7 px
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(8, 240, 497, 17));
  EXPECT_EQ(form.cbCancel->geometry(), QRect(168, 272, 81, 33));
  EXPECT_EQ(form.cbExport->geometry(), QRect(264, 272, 81, 33));
  const std::tuple<window::AutoSizeLabel*, int, int, bool> labels[] = {
      {form.lblMessageCount, 144, 504, true}, {form.Label3, 160, 60, true},
      {form.Label1, 192, 68, true},           {form.Label2, 216, 68, true},
      {form.lblMessageID, 192, 72, false},    {form.lblSubject, 216, 72, false}};
  for (auto [label, top, edge, keepsRight] : labels) {
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_EQ(label->y(), top);
    EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text()));
    if (keepsRight)
      EXPECT_EQ(label->x() + label->width(), std::max(edge, label->width()));
    else
      EXPECT_EQ(label->x(), edge);
  }
  const auto controls = Controls(form);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    EXPECT_TRUE(form.rect().contains(controls[i]->geometry())) << i;
    for (std::size_t j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry())) << i << "/" << j;
  }
}

TEST_F(WindowLayout, EveryControlHasAnAccessibleNameOfItsOwn) {
  QStringList names;
  for (QWidget* control : Controls(form)) names << control->accessibleName();
  EXPECT_FALSE(names.contains("")) << names.join(", ").toStdString();
  EXPECT_EQ(names.removeDuplicates(), 0) << names.join(", ").toStdString();
  EXPECT_EQ(QStringList({form.cbExport->accessibleName(), form.cbCancel->accessibleName(),
                         form.edtMessageFile->accessibleName()}),
            QStringList({"Export", "Cancel", "Export File"}));
}

TEST(WindowStartState, ControlsShowTheirIdleTextsTheExportFileIsInTheHomeAndNothingIsChosen) {
  QTemporaryDir home;
  const QByteArray savedHome = qgetenv("HOME");
  qputenv("HOME", home.path().toUtf8());
  Form1 form;
  qputenv("HOME", savedHome);

  EXPECT_EQ(
      QStringList({form.edtMessageFile->text(), form.cbExport->text(), form.cbCancel->text(),
                   form.lblMessageCount->text(), form.lblMessageID->text(), form.lblSubject->text(),
                   form.Label1->text(), form.Label2->text(), form.Label3->text()}),
      QStringList({home.path() + "/messages.txt", "&Export", "Cancel", "Messages", "None", "None",
                   "Message ID:", "Subject:", "Export File:"}));
  for (QListWidget* list : {form.List1, form.List2, form.List3}) {
    EXPECT_EQ(list->count(), 0);
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
