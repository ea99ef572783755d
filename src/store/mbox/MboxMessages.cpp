#include "store/mbox/MboxMessages.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "mail/MessageParser.h"
#include "store/mbox/MboxScanner.h"
#include "store/mbox/MboxSpans.h"
#include "store/reading/FileReading.h"
#include "store/reading/ParsedMessage.h"
#include "store/reading/ReadAhead.h"

namespace store::mbox {

using reading::Fetched;
using reading::FileDescriptor;
using reading::FileError;
using reading::FileStamp;
using reading::kReadAhead;
using reading::MessageInFile;
using reading::MessageSource;
using reading::OpenForReading;
using reading::ReadAhead;
using reading::ReadRange;
using reading::StampOf;

// Where each message lies, as far as the scan has gone. Count and every walk share one scan.
class MboxMessages::Index {
 public:
  explicit Index(std::string path) : path_(std::move(path)), file_(OpenForReading(path_)) {
    if (file_.get() < 0) throw FileError(path_, errno);
    struct stat st;
    if (::fstat(file_.get(), &st) != 0) throw FileError(path_, errno);
    // Mail delivered while an export runs waits for the next export.
    bytes_.emplace(file_, path_, st.st_size);
    scanner_.emplace(*bytes_);
  }

  // Scans on until message `i` is found; false when the file has fewer messages.
  bool Has(std::size_t i) {
    MboxScanner::Span span;
    while (i >= spans_.size() && !complete_) {
      if (scanner_->Next(span)) {
        spans_.push_back(span);
      } else {
        complete_ = true;
        scanner_.reset();  // its buffer is no longer needed
        bytes_.reset();
      }
    }
    return i < spans_.size();
  }

  std::size_t Count() {
    while (Has(spans_.size())) {
    }
    return spans_.size();
  }

  // How to read message `i`, when the scan has found it.
  static std::optional<MessageSource> SourceAt(const std::shared_ptr<Index>& index, std::size_t i) {
    if (i >= index->spans_.size()) return std::nullopt;
    const MboxScanner::Span span = index->spans_[i];
    return MessageSource{
        [index, span] { return index->Read(span); },
        [index](const FileStamp& stamp) { return StampOf(index->file_) == stamp; }};
  }

 private:
  // A message the parser would read whole anyway is read here, with one read on the shared
  // descriptor. A larger one is for the parser to read from the file itself, through a descriptor
  // of its own (the parser seeks, and messages are parsed on several threads at once) opened on
  // this very file, even when another has taken its name since; where that cannot be had, its
  // bytes.
  Fetched Read(const MboxScanner::Span& span) const {
    Fetched fetched{{{}, true, {}}, {}};
    if (static_cast<std::size_t>(span.end - span.begin) > mail::kReadWhole) {
      fetched.stamp = StampOf(file_);
      FileDescriptor own = OpenForReading("/proc/self/fd/" + std::to_string(file_.get()));
      if (own.get() >= 0 && StampOf(own) == fetched.stamp) {
        fetched.raw.file = MessageInFile(std::move(own), path_, span.begin, span.end);
        return fetched;
      }
    }
    fetched.raw.bytes = ReadRange(file_, path_, span.begin, span.end);
    // Taken after the read: a write during the read leaves the file newer than the stamp.
    fetched.stamp = StampOf(file_);
    return fetched;
  }

  std::string path_;
  FileDescriptor file_;
  std::optional<FileBytes> bytes_;
  std::optional<MboxScanner> scanner_;
  MboxSpans spans_;
  bool complete_ = false;
};

class MboxMessages::MessageCursor : public Cursor<Message> {
 public:
  // Messages are read ahead only as far as the scan has already gone (Count scans it all), so
  // reading ahead never makes the walk fail earlier than it would.
  explicit MessageCursor(std::shared_ptr<Index> index)
      : index_(std::move(index)),
        ahead_([index = index_](std::size_t i) { return Index::SourceAt(index, i); }, kReadAhead) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (!index_->Has(next_)) return false;
    element = ahead_.MessageAt(next_++);
    return true;
  }

 private:
  std::shared_ptr<Index> index_;
  ReadAhead ahead_;
  std::size_t next_ = 0;
};

MboxMessages::MboxMessages(std::string path) : index_(std::make_shared<Index>(std::move(path))) {}

long MboxMessages::Count() { return static_cast<long>(index_->Count()); }

std::unique_ptr<Cursor<Message>> MboxMessages::Begin() {
  return std::make_unique<MessageCursor>(index_);
}

}  // namespace store::mbox
