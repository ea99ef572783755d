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

TEST(ExportView, TheMessageIdReadsBackExactlyAsSet) {
  Form1 form;
  EXPECT_EQ(form.MessageIdCaption(), "None");
  for (std::string id : {"<a&b@example.org>", "<Ümlaut@ex>", "<raw\xff\xfe@bytes>", ""}) {
    form.SetMessageIdCaption(id);
    EXPECT_EQ(form.MessageIdCaption(), id);
  }
  form.SetMessageIdCaption("<a&b@example.org>");
  EXPECT_EQ(form.lblMessageID->text(), "<a&b@example.org>");
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
