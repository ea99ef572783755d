#pragma once

#include <optional>
#include <string>
#include <vector>

namespace exporter {

// What one folder export did, for the Export command to tell the user.
struct Outcome {
  enum class Status {
    Written,      // every record the walk reached is in the file
    OpenFailed,   // the path cannot take the export; no message was walked
    WriteFailed,  // a write failed, or the file could not take its place; nothing was changed
  };

  // A message whose record lacks something that could not be read.
  struct UnreadMessage {
    std::string label;   // its subject, else its Message-ID, else its position
    std::string reason;  // the store's reason
  };

  Status status = Status::Written;
  std::string path;        // the path as typed, made absolute
  std::string reason;      // why, for OpenFailed and WriteFailed
  bool hadFile = false;    // a file was at the path before: a failed export left it as it was
  long records = 0;        // records in the file the export wrote, when it was kept
  bool cancelled = false;  // the user's Cancel ended the walk after `records` records
  long unreadCount = 0;    // messages that could not be read in full
  std::vector<UnreadMessage> firstUnread;  // the first few of them
  // Why the walk stopped short of the folder's end (its messages could not be listed, or the
  // store could not go on to the next one); empty when it reached the end or was cancelled.
  // Without it a folder that cannot be listed would look like an empty one. Such an export is
  // not kept.
  std::optional<std::string> walkFailure;

  // The export did not do what was asked: the file could not be written, or the folder could
  // not be walked to its end.
  bool failed() const { return status != Status::Written || walkFailure.has_value(); }
};

}  // namespace exporter
