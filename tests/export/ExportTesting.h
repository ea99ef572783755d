#pragma once

// What the export tests share: the window as the export sees it, a folder of the scripted store
// and an export file in a scratch directory.

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ScriptedStore.h"
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

// The folder "Inbox" and the export file, under a UTF-8 locale unless a test picks another.
class ExportTest : public testing::Test {
 public:
  void SetUp() override {
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    std::string scratch = (std::filesystem::temp_directory_path() / "orvane-XXXXXX").string();
    ASSERT_NE(mkdtemp(scratch.data()), nullptr);
    dir = scratch;
    view.path = (dir / "messages.txt").string();
  }
  void TearDown() override {
    setlocale(LC_CTYPE, "C");
    std::filesystem::remove_all(dir);
  }

  exporter::Outcome Export() { return exporter::SaveMessagesToFile(view, folder); }

  static std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string FileBytes() const { return Bytes(view.path); }

  // A message without transport headers, every header-block value present.
  scripted::ScriptedMessage& Headerless(const std::string& id, const std::string& body) {
    scripted::ScriptedMessage& m = folder->AddMessage();
    m.messageId = id;
    m.sender = "Ann <ann@example.org>";
    m.recipients = "Bob <bob@example.org>";
    m.subject = "Lunch";
    m.date = "2024-05-01 12:30:00";
    m.body = body;
    return m;
  }

  std::shared_ptr<scripted::CallLog> log = std::make_shared<scripted::CallLog>();
  std::shared_ptr<scripted::ScriptedFolder> folder =
      std::make_shared<scripted::ScriptedFolder>("Inbox", "Inbox", log);
  RecordingView view;
  std::filesystem::path dir;
};

// The record of a message made by ScriptedFolder::AddMessage(subject, body).
inline std::string TransportRecord(const std::string& subject, const std::string& body) {
  return "Received: from relay by mx\r\nSubject: " + subject + "\r\n" + body + "\r\n\f\r\n";
}

// The header block of Headerless() after its Message-ID line.
inline const std::string kBlockTail =
    "From: Ann <ann@example.org>\r\nTo: Bob <bob@example.org>\r\nSubject: Lunch\r\n"
    "Date: 2024-05-01 12:30:00\r\n\r\n";

}  // namespace exporttest
