#include "store/mbox/MboxScanner.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "mail/Envelope.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace store::mbox {

using mail::IsEnvelopeLine;
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

bool IsEmptyLine(std::string_view start) { return start == "\n" || start == "\r\n"; }

// Mozilla's flag 0x0008: the message was deleted and waits for the folder to be compacted.
bool MarksDeleted(std::string_view line) {
  constexpr std::string_view kField = "X-Mozilla-Status:";
  if (line.size() < kField.size() || strncasecmp(line.data(), kField.data(), kField.size()) != 0) {
    return false;
  }
  std::string value(line.substr(kField.size()));
  return (std::strtoul(value.c_str(), nullptr, 16) & 0x0008) != 0;
}

// Looks, sixteen bytes at a time, for a line break followed by an empty line, "\n" or "\r\n",
// among the bytes from `at` on that have two more after them before `end`. Gives that line break,
// or nothing; `at` ends where the look stopped, every line break before it having been looked at.
const char* BreakBeforeEmptyLine(const char*& at, const char* end) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  for (; end - at >= 18; at += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
    unsigned candidates = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, lf))) &
                          static_cast<unsigned>(_mm_movemask_epi8(
                              _mm_or_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(next, cr))));
    for (; candidates != 0; candidates &= candidates - 1) {
      const char* lineBreak = at + __builtin_ctz(candidates);
      if (lineBreak[1] == '\n' || lineBreak[2] == '\n') return lineBreak;
    }
  }
#else
  (void)end;
#endif
  return nullptr;
}

}  // namespace

MboxScanner::MboxScanner(ByteSource& source, bool keep)
    : source_(source), buffer_(kBufferSize), keep_(keep) {}

void MboxScanner::Fill(off_t at) {
  if (keep_) Keep(at);
  const std::size_t left =
      static_cast<std::size_t>(bufferAt_ + static_cast<off_t>(bufferSize_) - at);
  std::memmove(buffer_.data(), buffer_.data() + (at - bufferAt_), left);
  std::size_t got = left;
  while (got < buffer_.size()) {
    const std::size_t n = source_.Read(buffer_.data() + got, buffer_.size() - got);
    if (n == 0) break;
    got += n;
  }
  bufferAt_ = at;
  bufferSize_ = got;
  if (got < buffer_.size()) size_ = at + static_cast<off_t>(got);
}

void MboxScanner::Keep(off_t at) {
  // What came before the current message is no longer wanted.
  if (keptAt_ < messageAt_) {
    const std::size_t done = static_cast<std::size_t>(
        std::min<off_t>(messageAt_ - keptAt_, static_cast<off_t>(kept_.size())));
    kept_.erase(0, done);
    keptAt_ += static_cast<off_t>(done);
    if (kept_.empty() && kept_.capacity() > kBufferSize) kept_.shrink_to_fit();
  }
  const off_t from = std::max(messageAt_, bufferAt_);
  if (from >= at) return;
  if (kept_.empty()) keptAt_ = from;
  kept_.append(buffer_.data() + (from - bufferAt_), static_cast<std::size_t>(at - from));
}

mail::Bytes MboxScanner::Bytes(const Span& span) const {
  mail::Bytes bytes(g_byte_array_sized_new(static_cast<guint>(span.end - span.begin)));
  // The message's start may have left the buffer; the rest is still in it.
  if (span.begin < bufferAt_) {
    const off_t end = std::min(span.end, bufferAt_);
    g_byte_array_append(bytes.get(),
                        reinterpret_cast<const guint8*>(kept_.data() + (span.begin - keptAt_)),
                        static_cast<guint>(end - span.begin));
  }
  if (span.end > bufferAt_) {
    const off_t begin = std::max(span.begin, bufferAt_);
    g_byte_array_append(bytes.get(),
                        reinterpret_cast<const guint8*>(buffer_.data() + (begin - bufferAt_)),
                        static_cast<guint>(span.end - begin));
  }
  return bytes;
}

std::string_view MboxScanner::Peek(off_t at) {
  off_t bufferEnd = bufferAt_ + static_cast<off_t>(bufferSize_);
  if (bufferEnd - at < static_cast<off_t>(kHead) && bufferEnd < size_) {
    Fill(at);
    bufferEnd = bufferAt_ + static_cast<off_t>(bufferSize_);
  }
  return std::string_view(buffer_.data() + (at - bufferAt_),
                          static_cast<std::size_t>(bufferEnd - at));
}

MboxScanner::Line MboxScanner::ReadLine() {
  std::string_view ahead = Peek(position_);
  std::string_view head = ahead.substr(0, kHead);
  if (std::size_t newline = head.find('\n'); newline != std::string_view::npos) {
    head = head.substr(0, newline + 1);
  }
  Line line{position_, position_, {}, head.size()};
  std::copy(head.begin(), head.end(), line.head.begin());
  // Long lines: look for their end further on, a buffer at a time.
  off_t at = position_;
  for (;;) {
    const void* newline = std::memchr(ahead.data(), '\n', ahead.size());
    if (newline) {
      line.end = at + (static_cast<const char*>(newline) - ahead.data()) + 1;
      break;
    }
    at += static_cast<off_t>(ahead.size());
    if (!MoreAt(at)) {
      line.end = at;
      break;
    }
    ahead = Peek(at);
  }
  position_ = line.end;
  return line;
}

void MboxScanner::SkipBodyLines() {
  bool lineStart = true;
  while (MoreAt(position_)) {
    std::string_view ahead = Peek(position_);
    if (lineStart && (ahead.starts_with('\n') || ahead.starts_with("\r\n"))) return;
    hasText_ = true;
    // From one line break to the next within the buffer, as long as enough follows each to tell
    // whether the next line is empty; the rest after refilling it.
    const char* begin = ahead.data();
    const char* end = begin + ahead.size();
    const bool atEnd = position_ + static_cast<off_t>(ahead.size()) >= size_;
    const char* at = begin;
    if (const char* lineBreak = BreakBeforeEmptyLine(at, end)) {
      position_ += lineBreak + 1 - begin;
      return;
    }
    for (;;) {
      const void* newline = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
      if (!newline) {
        // A line longer than the buffer: its end is further on.
        position_ += end - begin;
        lineStart = false;
        break;
      }
      const char* next = static_cast<const char*>(newline) + 1;
      if (end - next < 2 && !atEnd) {
        position_ += next - begin;
        lineStart = true;
        break;
      }
      if (next < end && (*next == '\n' || (*next == '\r' && next + 1 < end && next[1] == '\n'))) {
        position_ += next - begin;
        return;
      }
      at = next;
    }
  }
}

bool MboxScanner::Finish(off_t end, Span& span) {
  span = Span{messageAt_, end};
  return hasText_ && !deleted_;
}

bool MboxScanner::Next(Span& span) {
  while (MoreAt(position_)) {
    if (!inHeaders_ && !afterEmptyLine_) {
      SkipBodyLines();
      if (!MoreAt(position_)) break;
    }
    Line line = ReadLine();
    bool empty = IsEmptyLine(line.start());
    bool found = false;
    if (afterEmptyLine_ && IsEnvelopeLine(line.start())) {
      // The empty line before an envelope line separates messages and belongs to neither.
      found = line.begin > 0 && Finish(emptyLineAt_, span);
      messageAt_ = line.begin;
      hasText_ = true;
      deleted_ = false;
      inHeaders_ = true;
    } else {
      hasText_ = hasText_ || !empty;
      if (inHeaders_ && empty) {
        inHeaders_ = false;
      } else if (inHeaders_ && MarksDeleted(line.start())) {
        deleted_ = true;
      }
    }
    if (empty) emptyLineAt_ = line.begin;
    afterEmptyLine_ = empty;
    if (found) return true;
  }
  // The source has ended: its size is known.
  if (messageAt_ >= size_) return false;
  // The last message: a final empty line is the writer's separator, not the message's.
  bool found = Finish(afterEmptyLine_ ? emptyLineAt_ : size_, span);
  messageAt_ = size_;
  return found;
}

}  // namespace store::mbox
