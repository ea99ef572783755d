#pragma once

#include <string>
#include <vector>

namespace exporter {

// What the folder export needs of the window it reports to. The window implements it; tests and
// the benchmark can drive an export without a screen. Text is UTF-8.
class ExportView {
 public:
  virtual ~ExportView() = default;

  // The export file path exactly as the user left it.
  virtual std::string ExportPath() = 0;
  // The files and directories that hold the mail of the stores the window lists; the export is
  // never written there.
  virtual std::vector<std::string> MailLocations() = 0;

  virtual void SetProgressMax(float max) = 0;
  virtual void SetProgressValue(float value) = 0;

  virtual void SetMessageCountCaption(const std::string& text) = 0;
  virtual void SetSubjectCaption(const std::string& text) = 0;
  virtual void SetMessageIdCaption(const std::string& text) = 0;

  // Lets the window handle what is waiting (a Cancel click, a list click, a close request) once;
  // never waits for new events.
  virtual void ProcessPendingEvents() = 0;

  // False once the user has asked the export to stop.
  virtual bool ContinueExport() = 0;
};

}  // namespace exporter
