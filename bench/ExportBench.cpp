// Exports one folder of this computer's mail stores through the real window, as a user would:
// picks the store and the folder in the lists, clicks Export, and dismisses the box that says the
// export is complete. Prints one line: the export's seconds and the peak resident memory in KiB.
//
//   orvane_export_bench <store> <folder> <export file>
//
// HOME (or MAILDIR) says where the stores are; QT_QPA_PLATFORM which display to use.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "window/Form1.h"

namespace {

bool Pick(QListWidget& list, const QString& name) {
  const QList<QListWidgetItem*> found = list.findItems(name, Qt::MatchExactly);
  if (found.isEmpty()) return false;
  list.setCurrentItem(found.front());  // selects it, which raises the list's Click
  return true;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <store> <folder> <export file>\n", argv[0]);
    return 2;
  }
  window::Form1 form;
  form.Start();
  if (!Pick(*form.List1, QString::fromLocal8Bit(argv[1])) ||
      !Pick(*form.List2, QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "no store %s with a folder %s\n", argv[1], argv[2]);
    return 2;
  }
  form.edtMessageFile->setText(QString::fromLocal8Bit(argv[3]));

  // The export ends where its box opens; the time to dismiss the box is not the export's.
  QElapsedTimer clock;
  double seconds = 0;
  QString prompt;
  QTimer dismiss;
  QObject::connect(&dismiss, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      if (prompt.isEmpty()) seconds = clock.nsecsElapsed() / 1e9;
      prompt = box->text();
      box->accept();
    }
  });
  dismiss.start(5);

  clock.start();
  form.cbExport->click();
  if (prompt != QStringLiteral("Export Complete")) {
    std::fprintf(stderr, "the export did not complete: %s\n", qPrintable(prompt));
    return 1;
  }
  std::printf("%.3f %ld\n", seconds, PeakRssKiB());
  return 0;
}
