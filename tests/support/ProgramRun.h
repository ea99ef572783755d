#pragma once

// The program itself run as a script runs it: without a window system (no DISPLAY, and a Qt
// platform that does not exist, which a window would need), from the test's home.

#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

struct Ran {
  int status;
  std::string out, err;
};

// Runs the program with `args`; `during`, when given, runs once it has started.
inline Ran Orvane(const std::vector<std::string>& args,
                  const std::function<void(QProcess&)>& during = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.insert("QT_QPA_PLATFORM", "no-such-platform");
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(QString::fromStdString(std::getenv("HOME")));
  QStringList arguments;
  for (const std::string& arg : args) arguments << QString::fromStdString(arg);
  process.start(ORVANE_BINARY_DIR "/src/orvane", arguments);
  EXPECT_TRUE(process.waitForStarted());
  if (during) during(process);
  EXPECT_TRUE(process.waitForFinished(120000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}
