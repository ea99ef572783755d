#pragma once

#include <sys/types.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "store/reading/FileReading.h"

namespace store::mbox {

// Finds the messages of an mbox file in one pass over its bytes, going only as far as it is
// asked to. A message starts at a line beginning "From " that opens the file or follows an empty
// line, and ends before the empty line that precedes the next one. Messages whose
// X-Mozilla-Status marks them deleted are passed over. Text before the first "From " line is a
// message too, so nothing in the file is lost.
class MboxScanner {
 public:
  struct Span {
    off_t begin;  // the envelope line
    off_t end;
  };

  // Scans the first `size` bytes of `file` (its size when the folder was opened).
  MboxScanner(const reading::FileDescriptor& file, std::string path, off_t size);

  // The next message; false at the end. Throws Error::Unreadable when the file cannot be read.
  bool Next(Span& span);

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
  std::string_view Peek(off_t at);
  void Fill(off_t at);
  bool Finish(off_t end, Span& span);
  // Body lines that are not empty change nothing: goes on to the next empty line, or the end.
  void SkipBodyLines();

  const reading::FileDescriptor& file_;
  std::string path_;
  off_t size_;
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
};

}  // namespace store::mbox
