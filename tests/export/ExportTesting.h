#pragma once

// What the export tests share: the window as the export sees it, a folder of the scripted store
// and an export file in a scratch directory.

#include <gtest/gtest.h>
#include <locale.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ScriptedStore.h"
#include "TempHome.h"
#include "export/FolderExport.h"

namespace exporttest {

// The window's side of an export, recorded.
struct RecordingView : exporter::ExportView {
  std::string path;
  std::vector<std::string> mailLocations;
  float max = 100, value = 0;
  std::string countCaption = "Messages", subjectCaption = "None", idCaption = "None";
  bool continueExport = true;
  std::vector<std::string> atEvents;  // what the window showed at each event processing
  std::function<void()> onEvents;     // a handler run at each event processing

  // "<count> | <subject> | <Message-ID> | <value>/<max>"
  std::string Shows() const {
    return countCaption + " | " + subjectCaption + " | " + idCaption + " | " +
           std::to_string(long(value)) + "/" + std::to_string(long(max));
  }
  std::string ExportPath() override { return path; }
  std::vector<std::string> MailLocations() override { return mailLocations; }
  void SetProgressMax(float m) override { max = m; }
  void SetProgressValue(float v) override { value = v; }
  void SetMessageCountCaption(const std::string& text) override { countCaption = text; }
  void SetSubjectCaption(const std::string& text) override { subjectCaption = text; }
  void SetMessageIdCaption(const std::string& text) override { idCaption = text; }
  void ProcessPendingEvents() override {
    atEvents.push_back(Shows());
    if (onEvents) onEvents();
  }
  bool ContinueExport() override { return continueExport; }
};

// The folder "Inbox" and the export file in a home of its own, under a UTF-8 locale unless a
// test picks another.
class ExportTest : public testing::Test {
 public:
  void SetUp() override {
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    view.path = dir / "messages.txt";
  }
  void TearDown() override { setlocale(LC_CTYPE, "C"); }

  exporter::Outcome Export() { return exporter::SaveMessagesToFile(view, folder); }

  static std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string FileBytes() const { return Bytes(view.path); }

  std::shared_ptr<scripted::CallLog> log = std::make_shared<scripted::CallLog>();
  std::shared_ptr<scripted::ScriptedFolder> folder =
      std::make_shared<scripted::ScriptedFolder>("Inbox", "Inbox", log);
  RecordingView view;
  TempHome home;
  const std::filesystem::path dir = home.path();
};

// The record of a message made by ScriptedFolder::AddMessage(subject, body).
inline std::string TransportRecord(const std::string& subject, const std::string& body) {
  return "Received: from relay by mx\r\nSubject: " + subject + "\r\n" + body + "\r\n\f\r\n";
}

}  // namespace exporttest
