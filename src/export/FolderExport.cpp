#include "export/FolderExport.h"

#include <cstdint>
#include <limits>
#include <string>

#include "export/ExportFile.h"
#include "export/MessageRecord.h"
#include "store/Step.h"
#include "store/Walk.h"

namespace exporter {
namespace {

// How many unreadable messages the outcome names; the rest are only counted.
constexpr std::size_t kUnreadNamed = 5;

void NoteUnread(Outcome& outcome, Outcome::UnreadMessage message) {
  ++outcome.unreadCount;
  if (outcome.firstUnread.size() < kUnreadNamed) outcome.firstUnread.push_back(std::move(message));
}

}  // namespace

Outcome SaveMessagesToFile(ExportView& view, const std::shared_ptr<store::Folder>& objFolder) {
  Outcome outcome;
  std::shared_ptr<store::Collection<store::Message>> objMessages;
  std::shared_ptr<store::Message> objMessage;
  ExportFile file;

  // A step of listing the folder; its failure is kept for the outcome.
  auto listing = [&](auto&& step) {
    return store::Step([&] {
      try {
        step();
      } catch (const store::Error& error) {
        if (outcome.walkFailure.empty()) outcome.walkFailure = error.what();
        throw;
      }
    });
  };

  // 1. The caller's reference is read here only; a nested handler may reassign it later.
  listing([&] {
    if (!objFolder) throw store::Error::Absent("no folder was given");
    objMessages = objFolder->Messages();
    if (!objMessages) throw store::Error::Absent("the folder gave no list of messages");
  });

  // 2. The path as typed. When it cannot be opened nothing is walked: there is nowhere to
  // write, and the caller is told why.
  outcome.path = view.ExportPath();
  if (!file.Open(outcome.path)) {
    outcome.status = Outcome::Status::OpenFailed;
    outcome.reason = file.reason();
  } else {
    // 3.
    store::Step([&] { view.SetProgressMax(static_cast<float>(store::Use(objMessages).Count())); });
    // 4. The service is asked again.
    store::Step(
        [&] { view.SetMessageCountCaption(std::to_string(store::Use(objMessages).Count())); });
    // 5.
    std::int32_t lngCount = 0;
    // 6. A walk that cannot start visits nothing; one that cannot advance ends there.
    listing([&] {
      for (store::Walk walk(objMessages, objMessage); !walk.done(); walk.Advance()) {
        // 7.
        MessageRecord record(objMessage);
        record.Read(view);
        // 8.
        if (lngCount < std::numeric_limits<std::int32_t>::max()) ++lngCount;
        // 9. The bar counts the message about to be written.
        view.SetProgressValue(static_cast<float>(lngCount));
        // 10. A Cancel clicked now still lets this message's record be written.
        view.ProcessPendingEvents();
        // 11 to 14. A failed write ends the export after the last complete record.
        const bool written = record.Write(view, file);
        if (record.unreadable()) NoteUnread(outcome, record.Unread(lngCount));
        if (!written) break;
        // 15. Tested after each record, never before the first.
        if (!view.ContinueExport()) {
          outcome.cancelled = true;
          break;
        }
      }
    });
    // 16.
    if (!file.Close()) {
      outcome.status = Outcome::Status::WriteFailed;
      outcome.reason = file.reason();
    }
  }

  // 17. However the export ended.
  view.SetSubjectCaption("None");
  view.SetMessageIdCaption("None");
  view.SetMessageCountCaption("Messages");

  // 18.
  objMessage.reset();
  objMessages.reset();
  outcome.records = file.records();
  return outcome;
}

}  // namespace exporter
