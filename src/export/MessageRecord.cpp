#include "export/MessageRecord.h"

#include <utility>

#include "export/RecordText.h"
#include "store/Step.h"

namespace exporter {

MessageRecord::MessageRecord(std::shared_ptr<store::Message> message)
    : message_(std::move(message)) {}

template <class F>
bool MessageRecord::Fetch(F&& read) {
  return store::StepKeepingFirstFailure(unreadReason_, read, /*unreadableOnly=*/true);
}

void MessageRecord::Read(ExportView& view) {
  // Empty header text selects the header-block form.
  Fetch([&] { headers_ = store::Use(message_).FieldValue(store::kTransportMessageHeaders); });
  MakeRecordSafe(headers_);
  Fetch([&] { body_ = store::Use(message_).TakeBodyText(); });
  MakeRecordSafe(body_);
  Fetch([&] { subject_ = OneLine(store::Use(message_).Subject()); });
  view.SetSubjectCaption(subject_.value_or("None"));
  Fetch([&] { messageId_ = OneLine(store::Use(message_).FieldValue(store::kInternetMessageId)); });
  view.SetMessageIdCaption(messageId_.value_or("None"));
}

bool MessageRecord::Write(ExportFile& file) {
  if (!headers_.empty()) {
    // The transport-header form: the header text as it came, as one line.
    if (!file.WriteLine(headers_)) return false;
  } else {
    // The header block. The Message-ID line says what its caption said, "None" when the message
    // has none. Any other value that cannot be fetched costs its whole line.
    if (!file.WriteLine("Message-ID: " + messageId_.value_or("None"))) return false;
    using Read = std::string (store::Message::*)();
    const std::pair<const char*, Read> items[] = {
        {"From: ", &store::Message::Sender},
        {"To: ", &store::Message::Recipients},
        {"Subject: ", &store::Message::Subject},
        {"Date: ", &store::Message::MessageDate},
    };
    for (const auto& [name, read] : items) {
      std::string line;
      if (Fetch([&] { line = name + OneLine((store::Use(message_).*read)()); }) &&
          !file.WriteLine(line))
        return false;
    }
    if (!file.WriteLine("")) return false;
  }
  if (!file.WriteLine(body_) || !file.WriteLine("\f")) return false;
  file.EndRecord();
  return true;
}

Outcome::UnreadMessage MessageRecord::Unread(long position) const {
  std::string label = "message " + std::to_string(position);
  if (subject_ && !subject_->empty())
    label = *subject_;
  else if (messageId_ && !messageId_->empty())
    label = *messageId_;
  return {label, unreadReason_.value_or("")};
}

}  // namespace exporter
