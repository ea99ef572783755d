#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "export/ExportView.h"

namespace cli {

// The export's view on standard error. On a terminal one progress line (messages written, of
// how many, the rate and the current subject) is redrawn a few times a second, never once a
// message; elsewhere nothing is shown while the export runs. Ctrl-C (SIGINT) asks the export to
// stop after the record it is writing, as the window's Cancel does.
class TerminalView : public exporter::ExportView {
 public:
  TerminalView(std::string path, std::vector<std::string> mailLocations);
  ~TerminalView() override;

  std::string ExportPath() override { return path_; }
  std::vector<std::string> MailLocations() override { return mailLocations_; }
  void SetProgressMax(float max) override;
  void SetProgressValue(float value) override;
  void SetMessageCountCaption(const std::string&) override {}
  void SetSubjectCaption(const std::string& text) override { subject_ = text; }
  void SetMessageIdCaption(const std::string&) override {}
  void ProcessPendingEvents() override;
  bool ContinueExport() override;

  // Clears the progress line, if one was drawn.
  void EndProgress();
  long written() const { return written_; }

 private:
  void Draw();

  std::string path_;
  std::vector<std::string> mailLocations_;
  bool terminal_;
  long total_ = 0;    // the messages of every folder begun so far
  long written_ = 0;  // the records begun so far
  std::string subject_;
  std::chrono::steady_clock::time_point start_, drawn_;
  bool lineShown_ = false;
};

}  // namespace cli
