// Exports of the folders described under tests/data/export, each checked against its listing.
// Each export replaces an older file (mode 0640) and starts from a window as an earlier export
// left it. NAME.folder builds the folder, a line each ("#" lines are comments):
//   N FIELD VALUE           message N's headers, id, body, subject, sender, recipients or date;
//                           a field without a line is one the message lacks
//   N fail OP [REASON]      message N's operation OP fails as unreadable
//   N cancel-during OP      Cancel is clicked while message N's OP runs
//   folder fail OP REASON | folder null OP | folder absent | folder advance-fails-at I
//   view cancel-at-event K  Cancel is clicked while the window handles its Kth events (0: before)
//   list calls              the listing names every call made to the store
// Values are written with the escapes \\ \r \n \f \t and \xHH. NAME.export lists the outcome,
// what the window showed at each event processing and at the end, the files left in the export's
// directory and the export file's mode, then "file:" and the file's bytes.

#include <map>
#include <sstream>

#include "ExportTesting.h"

using exporttest::ExportTest;
namespace fs = std::filesystem;

namespace {

const fs::path kCases = fs::path(ORVANE_TEST_DATA) / "export";

std::string Unescaped(const std::string& text) {
  const std::string plain = "\\\r\n\f\t", escaped = "\\rnft";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
    } else if (text.at(++i) == 'x') {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += plain.at(escaped.find(text[i]));
    }
  }
  return out;
}

// Builds the folder and the window's part; true when the calls are to be listed.
bool Build(ExportTest& t, const std::string& description) {
  using M = scripted::ScriptedMessage;
  const std::map<std::string, std::optional<std::string> M::*> fields = {
      {"headers", &M::headers}, {"id", &M::messageId},  {"body", &M::body},
      {"subject", &M::subject}, {"sender", &M::sender}, {"recipients", &M::recipients},
      {"date", &M::date}};
  bool calls = false;
  std::istringstream lines(description);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string who, what, value, op, reason;
    std::getline(words >> who >> what >> std::ws, value);
    std::istringstream parts(value = Unescaped(value));
    std::getline(parts >> op >> std::ws, reason);
    if (who == "list") {
      calls = true;
    } else if (who == "folder") {
      if (what == "fail") t.folder->Fail(op, store::Error::Unreadable(reason));
      if (what == "null") t.folder->ReturnNull(op);
      if (what == "absent") t.folder.reset();
      if (what == "advance-fails-at") t.folder->messages->failAdvanceAt = std::stoul(op);
    } else if (who == "view") {
      t.view.continueExport = op != "0";
      t.view.onEvents = [&t, k = op] {
        if (k != "0") t.view.continueExport = t.view.atEvents.size() != std::stoul(k);
      };
    } else {
      while (t.folder->messages->elements.size() < std::stoul(who)) t.folder->AddMessage();
      M& message = t.folder->message(std::stoul(who) - 1);
      if (what == "fail") {
        reason.empty() ? message.Fail(op) : message.Fail(op, store::Error::Unreadable(reason));
      } else if (what == "cancel-during") {
        message.On(op, [&t] { t.view.onEvents = [&t] { t.view.continueExport = false; }; });
      } else {
        message.*fields.at(what) = value;
      }
    }
  }
  return calls;
}

std::vector<std::string> Cases() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kCases)) {
    if (entry.path().extension() == ".folder") names.push_back(entry.path().stem());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ExportedFolder : public ExportTest, public testing::WithParamInterface<std::string> {};

}  // namespace

TEST_P(ExportedFolder, GivesWhatItsListingSays) {
  std::ofstream(view.path) << "an older export, much longer than the new one\r\n";
  fs::permissions(view.path, fs::perms(0640));
  view.countCaption = view.subjectCaption = view.idCaption = "stale";
  view.value = 5;
  view.max = 7;
  const bool calls = Build(*this, Bytes(kCases / (GetParam() + ".folder")));
  const exporter::Outcome outcome = Export();

  std::ostringstream out;
  out << "records " << outcome.records << ", unread " << outcome.unreadCount << ", fetched "
      << log->CountOf("Inbox.messages.Next") << (outcome.cancelled ? ", cancelled" : "")
      << (outcome.failed() ? ", failed" : "") << "\n";
  for (const auto& unread : outcome.firstUnread) {
    out << "unread " << unread.label << ": " << unread.reason << "\n";
  }
  if (outcome.walkFailure) out << "walk failure: " << *outcome.walkFailure << "\n";
  for (const std::string& call : calls ? log->calls : std::vector<std::string>{}) {
    out << "call " << call << "\n";
  }
  for (const std::string& shown : view.atEvents) out << "event " << shown << "\n";
  out << "shows " << view.Shows() << "\n"
      << "files " << std::distance(fs::directory_iterator(dir), {}) << ", mode " << std::oct
      << static_cast<int>(fs::status(view.path).permissions()) << "\nfile:\n"
      << FileBytes();
  EXPECT_EQ(out.str(), Bytes(kCases / (GetParam() + ".export")));
}

INSTANTIATE_TEST_SUITE_P(Folders, ExportedFolder, testing::ValuesIn(Cases()), [](const auto& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});
