#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLineEdit>

#include "ScriptedStore.h"
#include "window/AutoSizeLabel.h"
#include "window/Form1.h"
#include "window/ProgressBar.h"

using window::Form1;

namespace {

int TextWidth(const QLabel* label) {
  return QFontMetrics(label->font()).horizontalAdvance(label->text());
}

int RightEdge(const QWidget* w) { return w->x() + w->width(); }

}  // namespace

TEST(ExportView, ThePathIsTheTextBoxExactlyAsTyped) {
  Form1 form;
  form.edtMessageFile->setText(" /tmp/Ordner mit Ümlaut/export.txt ");
  EXPECT_EQ(form.ExportPath(), " /tmp/Ordner mit Ümlaut/export.txt ");
  form.edtMessageFile->clear();
  EXPECT_EQ(form.ExportPath(), "");
}

TEST(ExportView, ALongSubjectGrowsItsLabelToTheRightFromWhereItStands) {
  Form1 form;
  const QPoint topLeft = form.lblSubject->pos();
  form.SetSubjectCaption("Re: the quarterly figures, the offsite and a very long tail of words");
  EXPECT_EQ(form.lblSubject->pos(), topLeft);
  EXPECT_GE(form.lblSubject->width(), TextWidth(form.lblSubject));
  EXPECT_GT(RightEdge(form.lblSubject), 300);
  form.SetSubjectCaption("None");
  EXPECT_EQ(form.lblSubject->pos(), topLeft);
  EXPECT_LT(RightEdge(form.lblSubject), 150);
}

TEST(ExportView, TheMessageCountKeepsItsRightEdgeUnderTheLastList) {
  Form1 form;
  const int right = RightEdge(form.lblMessageCount);
  const int top = form.lblMessageCount->y();
  form.SetMessageCountCaption("7");
  EXPECT_EQ(RightEdge(form.lblMessageCount), right);
  EXPECT_EQ(form.lblMessageCount->y(), top);
  EXPECT_GE(form.lblMessageCount->width(), TextWidth(form.lblMessageCount));
  form.SetMessageCountCaption("123456789");
  EXPECT_EQ(RightEdge(form.lblMessageCount), right);
  EXPECT_EQ(form.lblMessageCount->text(), "123456789");
}

TEST(ExportView, CaptionsFromMailAreShownAsTextNeverAsMarkup) {
  Form1 form;
  form.SetSubjectCaption("<b>50% off</b> & <i>free</i>");
  EXPECT_EQ(form.lblSubject->text(), "<b>50% off</b> & <i>free</i>");
  EXPECT_GE(form.lblSubject->width(), TextWidth(form.lblSubject)) << "tags take room as text";
}

TEST(ExportView, CaptionsShowControlCharactersAsSpacesAndOnlyTheStartOfAHugeValue) {
  Form1 form;
  form.SetMessageIdCaption(
      "<a\x1b[31m\x07"
      "b\xc2\x85@x>");
  EXPECT_EQ(form.lblMessageID->text(), "<a [31m b @x>");
  // A subject of megabytes: the label shows its start, cut between two characters.
  std::string huge;
  for (int i = 0; i < 1'000'000; ++i) huge += "\xc3\xa9";
  form.SetSubjectCaption(huge);
  const QString shown = form.lblSubject->text();
  EXPECT_LE(shown.size(), 400);
  EXPECT_EQ(shown.chopped(1), QString(shown.size() - 1, QChar(0xe9)));
  EXPECT_LT(form.lblSubject->width(), 10000);
}

TEST(ExportView, ProgressGoesToTheBar) {
  Form1 form;
  form.SetProgressMax(4);
  form.SetProgressValue(2);
  EXPECT_EQ(form.ProgressBar1->Max(), 4.0f);
  EXPECT_EQ(form.ProgressBar1->Value(), 2.0f);
  EXPECT_EQ(form.ProgressBar1->value() * 2, form.ProgressBar1->maximum());
}

TEST(ExportView, PendingEventsRunIncludingARequestToCloseTheWindow) {
  scripted::ScriptedService service;
  service.AddStore("Mail");
  Form1 form(service.Factory());
  form.Start();
  bool ran = false;
  QMetaObject::invokeMethod(
      &form, [&] { ran = true; }, Qt::QueuedConnection);
  QMetaObject::invokeMethod(&form, "close", Qt::QueuedConnection);
  form.ProcessPendingEvents();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(service.log->Has("session.LogOff"));
  form.ProcessPendingEvents();  // nothing waiting: returns at once
}
