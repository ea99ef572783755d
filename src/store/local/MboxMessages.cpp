#include "store/local/MboxMessages.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "store/local/Files.h"
#include "store/local/LocalMessage.h"
#include "store/local/MboxScanner.h"

namespace store::local {

// Where each message lies, as far as the scan has gone. Count and every walk share one scan.
class MboxMessages::Index {
 public:
  explicit Index(std::string path) : path_(std::move(path)), file_(OpenForReading(path_)) {
    if (file_.get() < 0) throw FileError(path_, errno);
    struct stat st;
    if (::fstat(file_.get(), &st) != 0) throw FileError(path_, errno);
    // Mail delivered while an export runs waits for the next export.
    scanner_.emplace(file_, path_, st.st_size);
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
      }
    }
    return i < spans_.size();
  }

  std::size_t Count() {
    while (Has(spans_.size())) {
    }
    return spans_.size();
  }

  const MboxScanner::Span& SpanAt(std::size_t i) const { return spans_[i]; }

  RawMessage Read(const MboxScanner::Span& span) const {
    return RawMessage{ReadRange(file_, path_, span.begin, span.end), true, {}};
  }

 private:
  std::string path_;
  FileDescriptor file_;
  std::optional<MboxScanner> scanner_;
  std::vector<MboxScanner::Span> spans_;
  bool complete_ = false;
};

class MboxMessages::MessageCursor : public Cursor<Message> {
 public:
  explicit MessageCursor(std::shared_ptr<Index> index) : index_(std::move(index)) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (!index_->Has(next_)) return false;
    element = std::make_shared<LocalMessage>(
        [index = index_, span = index_->SpanAt(next_)] { return index->Read(span); });
    ++next_;
    return true;
  }

 private:
  std::shared_ptr<Index> index_;
  std::size_t next_ = 0;
};

MboxMessages::MboxMessages(std::string path) : index_(std::make_shared<Index>(std::move(path))) {}

long MboxMessages::Count() { return static_cast<long>(index_->Count()); }

std::unique_ptr<Cursor<Message>> MboxMessages::Begin() {
  return std::make_unique<MessageCursor>(index_);
}

}  // namespace store::local
