// During an export the status labels take every message's caption at once, but are painted, and
// sized to their caption, only at the screen's pace. Whatever is painted must be sized right.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "WindowTesting.h"
#include "window/AutoSizeLabel.h"
#include "window/Form1.h"

namespace {

bool FitsItsText(const QLabel& label) {
  return label.width() >= QFontMetrics(label.font()).horizontalAdvance(label.text());
}

// Notes, for every paint of a label, whether the label was as wide as its text.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(std::initializer_list<QLabel*> labels) {
    for (QLabel* label : labels) label->installEventFilter(this);
  }
  int paints = 0;
  QStringList tooNarrow;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* label = static_cast<QLabel*>(watched);
      ++paints;
      if (!FitsItsText(*label)) tooNarrow << label->text();
    }
    return false;
  }
};

class PaintPacing : public testing::Test {
 protected:
  void SetUp() override {
    auto& inbox = service.AddStore("Mail").root->AddFolder("Inbox");
    for (int i = 0; i < 4000; ++i) {
      // Short and long captions in turn, so that a label painted before it is sized shows.
      const std::string subject =
          i % 2 ? "s" + std::to_string(i)
                : "A subject long enough to need a much wider label " + std::to_string(i);
      inbox.AddMessage(subject, "body").messageId = "<" + subject + "@example.org>";
    }
    ASSERT_TRUE(dir.isValid());
    form.Start();
    form.edtMessageFile->setText(dir.filePath("messages.txt"));
    ClickEntry(*form.List1, 0);
    ClickEntry(*form.List2, 0);
  }

  scripted::ScriptedService service;
  window::Form1 form{service.Factory()};
  ModalBoxRecorder boxes{&form};
  QTemporaryDir dir;
};

}  // namespace

TEST_F(PaintPacing, LabelsAreSizedToTheirCaptionWheneverTheyArePaintedAndWhenTheExportEnds) {
  PaintWatch watch{form.lblSubject, form.lblMessageID, form.lblMessageCount};
  // Ask for paints all through the export, as a busy screen would.
  QTimer nudge;
  QObject::connect(&nudge, &QTimer::timeout, [&] { form.update(); });
  nudge.start(1);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  nudge.stop();

  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt, "Export Complete");
  EXPECT_TRUE(watch.tooNarrow.isEmpty()) << watch.tooNarrow.join(" | ").toStdString();
  for (QLabel* label :
       {static_cast<QLabel*>(form.lblSubject), static_cast<QLabel*>(form.lblMessageID),
        static_cast<QLabel*>(form.lblMessageCount)}) {
    EXPECT_TRUE(FitsItsText(*label)) << label->text().toStdString() << " once the export ended";
  }
  EXPECT_EQ(form.lblSubject->text(), "None");
  EXPECT_LT(form.lblSubject->x() + form.lblSubject->width(), 150) << "shrunk back to \"None\"";
}
