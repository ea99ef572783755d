// Orvane: its window, or, asked on the command line, a listing or an export without one.

#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <algorithm>
#include <iostream>
#include <string_view>

#include "cli/CommandLine.h"
#include "cli/Headless.h"
#include "discovery/Service.h"
#include "store/pff/PffReader.h"
#include "window/Form1.h"
#include "window/MsgBox.h"
#include "window/PasswordDialogPrompt.h"

namespace {

int Usage(const cli::UsageError& error) {
  std::cerr << "orvane: " << error.what() << "\nTry 'orvane --help' for more.\n";
  return cli::kBadArguments;
}

// Lists, exports, or tells the usage or the version: no window, and no window system needed.
int WithoutWindow(int argc, char* argv[]) {
  try {
    const cli::Options options = cli::ParseCommandLine({argv + 1, argv + argc});
    switch (options.mode) {
      case cli::Options::Mode::Help:
        std::cout << cli::Usage();
        return cli::kComplete;
      case cli::Options::Mode::Version:
        std::cout << "orvane " ORVANE_VERSION "\n";
        return cli::kComplete;
      case cli::Options::Mode::List:
      case cli::Options::Mode::Export: {
        // HTML bodies are laid out by Qt's rich-text document, whose sizes in ems need fonts: a
        // GUI application, on the platform that needs no window system. Qt's own remarks about
        // that platform mean nothing to someone exporting from a terminal.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
          if (type == QtFatalMsg) std::cerr << text.toLocal8Bit().constData() << "\n";
        });
        QGuiApplication app(argc, argv);
        const int status = options.mode == cli::Options::Mode::List ? cli::RunList(options)
                                                                    : cli::RunExport(options);
        // What the export's threads left for this one: a refresh token a renewal brought, for
        // the desktop's secret service.
        QCoreApplication::sendPostedEvents();
        return status;
      }
      case cli::Options::Mode::Window:
        break;
    }
  } catch (const cli::UsageError& error) {
    return Usage(error);
  }
  return cli::kBadArguments;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Started again by itself to read one personal folder file, away from the window's process.
  if (argc == 3 && std::string_view(argv[1]) == store::pff::kReaderOption)
    return store::pff::ServeReader(argv[2], STDIN_FILENO);
  const std::vector<std::string> given(argv + 1, argv + argc);
  if (cli::WantsNoWindow(given)) return WithoutWindow(argc, argv);
  // Arguments this program cannot take are said before a window system is needed, unless Qt may
  // take them (its options start with a single "-").
  if (std::none_of(given.begin(), given.end(), [](const std::string& arg) {
        return arg.size() > 2 && arg[0] == '-' && arg[1] != '-';
      })) {
    try {
      cli::ParseCommandLine(given);
    } catch (const cli::UsageError& error) {
      return Usage(error);
    }
  }

  QApplication app(argc, argv);  // takes Qt's own options out of the arguments
  std::vector<std::string> args;
  for (const QString& arg : app.arguments().mid(1)) args.push_back(arg.toLocal8Bit().toStdString());
  cli::Options options;
  try {
    options = cli::ParseCommandLine(args);
  } catch (const cli::UsageError& error) {
    return Usage(error);
  }

  // The paths the user named are stores listed first; one that cannot be opened is said once,
  // before the window opens, and left out.
  std::vector<std::string> problems;
  auto opened = discovery::StoresAtPaths(options.paths, problems);
  if (!problems.empty()) {
    QStringList lines;
    for (const std::string& problem : problems) {
      std::cerr << "orvane: " << problem << "\n";
      lines << QString::fromLocal8Bit(problem.c_str());
    }
    window::MsgBox(nullptr, QStringLiteral("Cannot open\n\n") + lines.join(QLatin1Char('\n')),
                   window::MsgBoxStyle::Critical);
  }
  window::Form1 form([opened = std::move(opened)] {
    return discovery::CreateSessionWithAccounts(std::make_shared<window::PasswordDialogPrompt>(),
                                                opened);
  });
  form.Start();
  return app.exec();
}
