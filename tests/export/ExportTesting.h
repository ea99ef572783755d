#pragma once

// What the export tests share: the window as the export sees it, a scratch directory, and the
// locale switches for the character set tests.

#include <gtest/gtest.h>
#include <locale.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedStore.h"
#include "export/FolderExport.h"

namespace exporttest {

// The window's side of an export, recorded. A Cancel click can be queued as if the user made it
// while the export was busy; like a real click it is handled at the next event processing.
class RecordingView : public exporter::ExportView {
 public:
  std::string path;
  float max = 100, value = 0;
  std::string countCaption = "Messages", subjectCaption = "None", idCaption = "None";
  bool continueExport = true;
  bool cancelQueued = false;
  std::function<void(long)> onEvents;      // the handlers run at the n-th event processing
  std::vector<std::string> atEvents;       // what the window showed at each event processing
  std::vector<std::string> countCaptions;  // every caption given to the message count

  std::string Shows() const {
    return countCaption + " | " + subjectCaption + " | " + idCaption + " | " + Number(value) + "/" +
           Number(max);
  }

  std::string ExportPath() override { return path; }
  void SetProgressMax(float m) override { max = m; }
  void SetProgressValue(float v) override { value = v; }
  void SetMessageCountCaption(const std::string& text) override {
    countCaption = text;
    countCaptions.push_back(text);
  }
  void SetSubjectCaption(const std::string& text) override { subjectCaption = text; }
  void SetMessageIdCaption(const std::string& text) override { idCaption = text; }
  std::string MessageIdCaption() override { return idCaption; }
  void ProcessPendingEvents() override {
    atEvents.push_back(Shows());
    if (cancelQueued) continueExport = cancelQueued = false;
    if (onEvents) onEvents(static_cast<long>(atEvents.size()));
  }
  bool ContinueExport() override { return continueExport; }

 private:
  static std::string Number(float f) { return std::to_string(static_cast<long>(f)); }
};

// A folder "Inbox" of the scripted store, a scratch directory and the export file in it, under
// a UTF-8 locale unless a test picks another.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedLocale_ = setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    dir = std::filesystem::path(ORVANE_BINARY_DIR) / "export-test-output" /
          (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
           std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    view.path = (dir / "messages.txt").string();
  }
  void TearDown() override {
    setlocale(LC_CTYPE, savedLocale_.c_str());
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
  bool Read(std::size_t message, const std::string& op) const {
    return log->Has("Inbox#" + std::to_string(message) + "." + op);
  }

  std::shared_ptr<scripted::CallLog> log = std::make_shared<scripted::CallLog>();
  std::shared_ptr<scripted::ScriptedFolder> folder =
      std::make_shared<scripted::ScriptedFolder>("Inbox", "Inbox", log);
  RecordingView view;
  std::filesystem::path dir;

 private:
  std::string savedLocale_;
};

// Record bytes of the transport-header messages that ScriptedFolder::AddMessage makes.
inline std::string TransportRecord(const std::string& subject, const std::string& body) {
  return "Received: from relay by mx\r\nSubject: " + subject + "\r\n" + body + "\r\n\f\r\n";
}

}  // namespace exporttest
