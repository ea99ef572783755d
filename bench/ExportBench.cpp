// Exports one folder of this computer's mail stores through the real window, as a user would:
// picks the store and the folder in the lists, clicks Export, and dismisses the box that says the
// export is complete. Prints one line: the export's seconds, the peak resident memory in KiB, and
// the seconds that picking the folder took (which lists every folder below it).
//
//   orvane_export_bench <store> <folder> <export file>
//
// HOME (or MAILDIR) says where the stores are; QT_QPA_PLATFORM which display to use. An IMAP
// account (in the account file under XDG_CONFIG_HOME) is logged on to with the password in
// ORVANE_BENCH_PASSWORD, typed into the window's own password dialog.

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "store/pff/PffReader.h"
#include "window/Form1.h"
#include "window/PasswordDialog.h"

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
  // Personal folder files are read by this program started again as their reader, as Orvane is.
  if (argc == 3 && std::string_view(argv[1]) == store::pff::kReaderOption)
    return store::pff::ServeReader(argv[2], STDIN_FILENO);
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <store> <folder> <export file>\n", argv[0]);
    return 2;
  }
  // Answers each password dialog of the log-on, once, as the user would.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<window::PasswordDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    const char* password = std::getenv("ORVANE_BENCH_PASSWORD");
    if (!password || !dialog->lblProblem->isHidden()) {
      std::fprintf(stderr, "log-on to %s skipped: %s\n", qPrintable(dialog->lblAccount->text()),
                   password ? qPrintable(dialog->lblProblem->text()) : "no password given");
      dialog->cbSkip->click();
      return;
    }
    dialog->edtPassword->setText(QString::fromUtf8(password));
    dialog->cbLogOn->click();
  });
  answer.start(5);

  window::Form1 form;
  form.Start();
  answer.stop();
  QElapsedTimer listing;
  double listingSeconds = 0;
  if (!Pick(*form.List1, QString::fromLocal8Bit(argv[1])) ||
      (listing.start(), !Pick(*form.List2, QString::fromLocal8Bit(argv[2])))) {
    std::fprintf(stderr, "no store %s with a folder %s\n", argv[1], argv[2]);
    return 2;
  }
  listingSeconds = listing.nsecsElapsed() / 1e9;
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
  std::printf("%.3f %ld %.3f\n", seconds, PeakRssKiB(), listingSeconds);
  return 0;
}
