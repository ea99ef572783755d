#include "window/Form1.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

#include "store/Step.h"
#include "store/Waiting.h"
#include "store/Walk.h"
#include "window/AutoSizeLabel.h"
#include "window/ListBox.h"
#include "window/PaintPacer.h"
#include "window/ProgressBar.h"
#include "export/ShownText.h"
#include "window/Twips.h"

namespace window {

using exporter::ShownText;

namespace {

QListWidget* NewList(const QString& accessibleName, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  // An entry wider than the list is cut off at its right edge.
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setTextElideMode(Qt::ElideNone);
  list->setAccessibleName(accessibleName);
  return list;
}

QPushButton* NewButton(const QString& caption, const QString& accessibleName, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  // Enter acts on the focused button only; Escape on none.
  button->setDefault(false);
  button->setAutoDefault(true);
  button->setAccessibleName(accessibleName);
  return button;
}

// A fixed label is named by its own text; a status label, whose text changes, by what it shows.
AutoSizeLabel* NewLabel(const QString& text, Qt::Alignment alignment, QWidget* parent,
                        const char* accessibleName = nullptr) {
  auto* label = new AutoSizeLabel(text, alignment, parent);
  label->setAccessibleName(accessibleName ? QString::fromUtf8(accessibleName) : text);
  return label;
}

}  // namespace

Form1::Form1(store::SessionFactory createSession, QWidget* parent)
    : QWidget(parent), createSession_(std::move(createSession)) {
  setWindowTitle(QStringLiteral("Orvane"));
  QFont font = QApplication::font();
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  setFont(font);

  CreateControls();
  PlaceControls();
  ConnectHandlers();
  paintPacer_ = new PaintPacer(*this, [this] { FitStatusLabels(); });
  EnterIdleState();
  // A store that waits long on the window's thread (a stalled reader) lets the window repaint
  // meanwhile; clicks and keys wait for the export's own turn to let events through.
  store::SetWhileWaiting([] {
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
  cbExport->setFocus();
}

Form1::~Form1() = default;

void Form1::CreateControls() {
  cbExport = NewButton(QStringLiteral("&Export"), QStringLiteral("Export"), this);
  List1 = NewList(QStringLiteral("Message stores"), this);
  Label1 = NewLabel(QStringLiteral("Message ID:"), Qt::AlignRight, this);
  Label2 = NewLabel(QStringLiteral("Subject:"), Qt::AlignRight, this);
  lblSubject = NewLabel(QStringLiteral("None"), Qt::AlignLeft, this, "Current subject");
  Label3 = NewLabel(QStringLiteral("Export File:"), Qt::AlignRight, this);
  edtMessageFile =
      new QLineEdit(QDir::home().absoluteFilePath(QStringLiteral("messages.txt")), this);
  edtMessageFile->setAccessibleName(QStringLiteral("Export File"));
  List2 = NewList(QStringLiteral("Folders"), this);
  List3 = NewList(QStringLiteral("Subfolders"), this);
  lblMessageID = NewLabel(QStringLiteral("None"), Qt::AlignLeft, this, "Current message ID");
  lblMessageCount = NewLabel(QStringLiteral("Messages"), Qt::AlignRight, this, "Message count");
  ProgressBar1 = new ProgressBar(this);
  ProgressBar1->setAccessibleName(QStringLiteral("Export progress"));
  cbCancel = NewButton(QStringLiteral("Cancel"), QStringLiteral("Cancel"), this);

  // Labels and the bar never take the focus, so this is the whole focus chain.
  setTabOrder(cbExport, List1);
  setTabOrder(List1, edtMessageFile);
  setTabOrder(edtMessageFile, List2);
  setTabOrder(List2, List3);
  setTabOrder(List3, cbCancel);
}

// A list's Click is the user selecting an entry, with the mouse or the keyboard; clearing a list
// or adding to it selects nothing and so raises none.
void Form1::ConnectHandlers() {
  auto onSelect = [this](QListWidget* list, void (Form1::*handler)()) {
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list, handler] {
      if (ListIndex(*list) >= 0) (this->*handler)();
    });
  };
  onSelect(List1, &Form1::List1_Click);
  onSelect(List2, &Form1::List2_Click);
  connect(cbExport, &QPushButton::clicked, this, &Form1::cbExport_Click);
  connect(cbCancel, &QPushButton::clicked, this, &Form1::cbCancel_Click);
}

void Form1::PlaceControls() {
  auto twips = [this](int left, int top, int width, int height) {
    return TwipsRect(*this, left, top, width, height);
  };
  setFixedSize(twips(0, 0, 7725, 4665).size());

  cbCancel->setGeometry(twips(2520, 4080, 1215, 495));
  ProgressBar1->setGeometry(twips(120, 3600, 7455, 255));
  List3->setGeometry(twips(5160, 240, 2415, 1815));
  List2->setGeometry(twips(2640, 240, 2415, 1815));
  edtMessageFile->setGeometry(twips(1080, 2290, 5175, 375));
  List1->setGeometry(twips(120, 240, 2415, 1815));
  cbExport->setGeometry(twips(3960, 4080, 1215, 495));
  lblMessageCount->Place(twips(6840, 2160, 720, 195));
  lblMessageID->Place(twips(1080, 2880, 390, 195));
  Label3->Place(twips(120, 2400, 780, 195));
  lblSubject->Place(twips(1080, 3240, 390, 195));
  Label2->Place(twips(435, 3240, 585, 195));
  Label1->Place(twips(120, 2880, 900, 195));
}

void Form1::SetStatusFitDeferred(bool deferred) {
  for (AutoSizeLabel* label : {lblMessageCount, lblSubject, lblMessageID})
    label->SetFitDeferred(deferred);
}

void Form1::FitStatusLabels() {
  for (AutoSizeLabel* label : {lblMessageCount, lblSubject, lblMessageID}) label->FitIfPending();
}

// The two states differ only in these three controls: while exporting the bar shows, Export is
// disabled so that exports never overlap, and Cancel is enabled.
void Form1::SetExporting(bool exporting) {
  ProgressBar1->setVisible(exporting);
  cbExport->setEnabled(!exporting);
  cbCancel->setEnabled(exporting);
}

void Form1::EnterIdleState() { SetExporting(false); }

void Form1::EnterExportingState() { SetExporting(true); }

std::string Form1::ExportPath() { return edtMessageFile->text().toStdString(); }

std::vector<std::string> Form1::MailLocations() {
  std::vector<std::string> locations;
  std::shared_ptr<store::InfoStore> infoStore;
  store::Step([&] {
    for (store::Walk walk(objInfoStores, infoStore); !walk.done(); walk.Advance()) {
      store::Step([&] {
        for (std::string& location : store::Use(infoStore).Locations())
          locations.push_back(std::move(location));
      });
    }
  });
  return locations;
}

void Form1::SetProgressMax(float max) { ProgressBar1->SetMax(max); }

void Form1::SetProgressValue(float value) { ProgressBar1->SetValue(value); }

void Form1::SetMessageCountCaption(const std::string& text) {
  lblMessageCount->SetCaption(QString::fromStdString(text));
}

void Form1::SetSubjectCaption(const std::string& text) { lblSubject->SetCaption(ShownText(text)); }

void Form1::SetMessageIdCaption(const std::string& text) {
  lblMessageID->SetCaption(ShownText(text));
}

void Form1::ProcessPendingEvents() { QCoreApplication::processEvents(); }

bool Form1::ContinueExport() { return bContinueExport && !unloaded_; }

}  // namespace window
