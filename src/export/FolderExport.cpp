#include "export/FolderExport.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "export/ExportFile.h"
#include "export/ExportTarget.h"
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
  // The caller's reference is read here only; a nested handler may reassign it later.
  return SaveFoldersToFile(view, {objFolder});
}

Outcome SaveFoldersToFile(ExportView& view,
                          const std::vector<std::shared_ptr<store::Folder>>& folders) {
  Outcome outcome;
  std::vector<std::shared_ptr<store::Collection<store::Message>>> messages;
  std::shared_ptr<store::Collection<store::Message>> objMessages;
  std::shared_ptr<store::Message> objMessage;
  ExportFile file;

  // A step of listing a folder; its failure is kept for the outcome.
  auto listing = [&](auto&& step) {
    return store::StepKeepingFirstFailure(outcome.walkFailure, step);
  };

  for (const std::shared_ptr<store::Folder>& objFolder : folders) {
    listing([&] {
      if (!objFolder) throw store::Error::Absent("no folder was given");
      objMessages = objFolder->Messages();
      if (!objMessages) throw store::Error::Absent("the folder gave no list of messages");
    });
    messages.push_back(std::move(objMessages));
  }

  // The file is opened only once the folders' messages are known. When it cannot be opened
  // nothing is walked: there is nowhere to write, and the caller is told why.
  const std::string typed = view.ExportPath();
  outcome.path = ExportTarget::Shown(typed);
  std::string refused;
  const std::optional<ExportTarget> target =
      ExportTarget::Resolve(typed, view.MailLocations(), refused);
  if (!target || !file.Open(*target)) {
    outcome.status = Outcome::Status::OpenFailed;
    outcome.reason = target ? file.reason() : refused;
  } else {
    outcome.hadFile = target->existingMode().has_value();
    bool written = true;
    for (std::size_t folder = 0; folder < messages.size() && written && !outcome.cancelled;
         ++folder) {
      objMessages = messages[folder];
      store::Step(
          [&] { view.SetProgressMax(static_cast<float>(store::Use(objMessages).Count())); });
      // The count is asked for again rather than carried over from the bar.
      store::Step(
          [&] { view.SetMessageCountCaption(std::to_string(store::Use(objMessages).Count())); });
      std::int32_t lngCount = 0;
      // A walk that cannot start visits nothing; one that cannot advance ends there.
      listing([&] {
        for (store::Walk walk(objMessages, objMessage); !walk.done(); walk.Advance()) {
          MessageRecord record(objMessage);
          record.Read(view);
          if (lngCount < std::numeric_limits<std::int32_t>::max()) ++lngCount;
          // The bar counts the message about to be written.
          view.SetProgressValue(static_cast<float>(lngCount));
          // A Cancel clicked now still lets this message's record be written.
          view.ProcessPendingEvents();
          written = record.Write(file);
          if (record.unreadable()) NoteUnread(outcome, record.Unread(lngCount));
          if (!written) break;
          // Asked after each record, never before the first.
          if (!view.ContinueExport()) {
            outcome.cancelled = true;
            break;
          }
        }
      });
    }
    // Only a whole export, or one the user cut short, takes the old file's place.
    if (written && !outcome.walkFailure && file.Keep()) {
      outcome.records = file.records();
    } else {
      file.Discard();
      if (!written || !outcome.walkFailure) {
        outcome.status = Outcome::Status::WriteFailed;
        outcome.reason = file.reason();
      }
    }
  }

  // The captions go back to their idle texts however the export ended.
  view.SetSubjectCaption("None");
  view.SetMessageIdCaption("None");
  view.SetMessageCountCaption("Messages");

  objMessage.reset();
  objMessages.reset();
  return outcome;
}

}  // namespace exporter
