#pragma once

#include <memory>
#include <optional>
#include <string>

#include "export/ExportFile.h"
#include "export/ExportView.h"
#include "export/Outcome.h"
#include "store/Store.h"

namespace exporter {

// The record of one message: what is read for it, shown, and written. A new one is made for
// every message, so no value of one message can reach the next. Each read is one step of its
// own; a read that fails gives empty text (or "None" for the captions), and when it failed
// because the message could not be read (not merely lacked the value) the record remembers why.
class MessageRecord {
 public:
  explicit MessageRecord(std::shared_ptr<store::Message> message);

  // Reads the transport header text, the body, the subject and the Internet message ID, in
  // this order, and shows the last two in the view's captions.
  void Read(ExportView& view);

  // Writes the record: the header text, or the header block in its place; the body; the
  // form-feed line. False as soon as a write fails, leaving the rest unread and unwritten.
  bool Write(ExportFile& file);

  bool unreadable() const { return unreadReason_.has_value(); }
  // How to name this message to the user: its subject, else its Message-ID, else its position.
  Outcome::UnreadMessage Unread(long position) const;

 private:
  // One read, as one step; the first reason a read could not be had is kept.
  template <class F>
  bool Fetch(F&& read);

  std::shared_ptr<store::Message> message_;
  std::string headers_;
  std::string body_;
  std::optional<std::string> subject_;
  std::optional<std::string> messageId_;
  std::optional<std::string> unreadReason_;
};

}  // namespace exporter
