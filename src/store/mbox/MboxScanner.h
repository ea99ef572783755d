#pragma once

#include <sys/types.h>

#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "mail/RawMessage.h"
#include "store/mbox/ByteSource.h"

namespace store::mbox {

// Finds the messages of an mbox file in one pass over its bytes, going only as far as it is
// asked to, reading them a buffer at a time from a byte source. A message starts at a line
// beginning "From " that opens the file or follows an empty line, and ends before the empty line
// that precedes the next one. Messages whose X-Mozilla-Status marks them deleted are passed over.
// Text before the first "From " line is a message too, so nothing in the file is lost.
class MboxScanner {
 public:
  // Where a message lies among the bytes of the source.
  struct Span {
    off_t begin;  // the envelope line
    off_t end;
  };

  // Scans the bytes of `source`. With `keep`, the bytes of each message are kept until the next
  // call, for a source that cannot be read again.
  explicit MboxScanner(ByteSource& source, bool keep = false);

  // The next message; false at the end. Throws Error::Unreadable when the source cannot be read.
  bool Next(Span& span);

  // The bytes of the message Next has just given, when keeping them.
  mail::Bytes Bytes(const Span& span) const;

 private:
  // Enough of a line to tell an envelope line, an empty line and an X-Mozilla-Status field.
  static constexpr std::size_t kHead = 64;

  struct Line {
    off_t begin;
    off_t end;  // after its line break
    // Its first bytes, line break included when it is short; a copy, since looking for the end
    // of a long line refills the buffer.
    std::array<char, kHead> head;
    std::size_t headSize;
    std::string_view start() const { return {head.data(), headSize}; }
  };

  Line ReadLine();
  // The bytes from `at` on that the buffer holds, at least kHead of them unless the end is near.
  // The scan only goes forward: `at` lies in the buffer, or at its end.
  std::string_view Peek(off_t at);
  // Whether any byte follows `at`: false only at the end of the source.
  bool MoreAt(off_t at) {
    if (at < bufferAt_ + static_cast<off_t>(bufferSize_)) return true;
    if (at >= size_) return false;
    Fill(at);
    return at < size_;
  }
  // Moves the bytes from `at` on to the buffer's start and reads on after them.
  void Fill(off_t at);
  // The bytes before `at` of the message being scanned, before the buffer lets them go.
  void Keep(off_t at);
  bool Finish(off_t end, Span& span);
  // Body lines that are not empty change nothing: goes on to the next empty line, or the end.
  void SkipBodyLines();

  ByteSource& source_;
  // Where the source ends, once it has ended; until then further than any byte.
  off_t size_ = std::numeric_limits<off_t>::max();
  std::vector<char> buffer_;
  off_t bufferAt_ = 0;
  std::size_t bufferSize_ = 0;

  off_t position_ = 0;
  bool afterEmptyLine_ = true;  // the file's start counts as one
  off_t emptyLineAt_ = 0;
  bool inHeaders_ = true;
  off_t messageAt_ = 0;
  bool hasText_ = false;  // text before the first envelope line counts only when not blank
  bool deleted_ = false;

  bool keep_;
  std::string kept_;  // bytes of the current message that have left the buffer
  off_t keptAt_ = 0;
};

}  // namespace store::mbox
