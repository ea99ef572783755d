#include "store/mbox/CompressedMboxMessages.h"

#include <cerrno>
#include <deque>
#include <optional>

#include "store/mbox/MboxScanner.h"
#include "store/reading/FileReading.h"
#include "store/reading/ParsedMessage.h"
#include "store/reading/ReadAhead.h"

namespace store::mbox {

using reading::Fetched;
using reading::FileDescriptor;
using reading::FileError;
using reading::kReadAhead;
using reading::MessageSource;
using reading::OpenForReading;
using reading::ReadAhead;

struct CompressedMboxMessages::File {
  std::string path;
  Compression compression;
  FileDescriptor descriptor;
  std::optional<long> count;  // once a pass has gone through all of it
};

// One decompression of the file, its messages found in order on the caller's thread and parsed
// a few ahead on worker threads. A message's bytes are held from when it is found until its
// parse has taken them, so at most the read-ahead's few messages are in memory at once.
class CompressedMboxMessages::MessageCursor : public Cursor<Message> {
 public:
  explicit MessageCursor(std::shared_ptr<File> file)
      : file_(std::move(file)),
        bytes_(Decompressing(file_->descriptor, file_->path, file_->compression)),
        scanner_(std::in_place, *bytes_, true),
        ahead_([this](std::size_t i) { return SourceAt(i); }, kReadAhead) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (!Has(next_)) return false;
    element = ahead_.MessageAt(next_++);
    return true;
  }

 private:
  struct Found {
    std::size_t index;
    std::shared_ptr<const mail::Bytes> bytes;  // none when the message could not be had
    std::optional<Error> failure;
  };

  // Decompresses on until message `i` is found; false when the file has fewer messages. Damage,
  // or a failed read, ends the file with one message that fails with its reason, so an export
  // counts and names it rather than ending short.
  bool Has(std::size_t i) {
    while (i >= count_ && scanner_) {
      try {
        MboxScanner::Span span;
        if (scanner_->Next(span)) {
          found_.push_back(
              {count_, std::make_shared<const mail::Bytes>(scanner_->Bytes(span)), {}});
          ++count_;
          continue;
        }
      } catch (const Error& error) {
        found_.push_back({count_++, nullptr, error});
      }
      scanner_.reset();  // the decompressor and its buffers are no longer needed
      bytes_.reset();
      file_->count = static_cast<long>(count_);
    }
    return i < count_;
  }

  // How to read message `i`; asked in increasing order, by the walk and its read-ahead.
  std::optional<MessageSource> SourceAt(std::size_t i) {
    if (!Has(i)) return std::nullopt;
    while (found_.front().index < i) found_.pop_front();
    const Found& message = found_.front();
    // Bytes that are held never change, so nothing need tell whether they did.
    return MessageSource{[bytes = message.bytes, failure = message.failure] {
                           if (!bytes) throw *failure;
                           const GByteArray* held = bytes->get();
                           mail::Bytes copy(g_byte_array_sized_new(held->len));
                           g_byte_array_append(copy.get(), held->data, held->len);
                           return Fetched{{std::move(copy), true, {}}, {}};
                         },
                         {}};
  }

  std::shared_ptr<File> file_;
  std::unique_ptr<ByteSource> bytes_;
  std::optional<MboxScanner> scanner_;
  std::deque<Found> found_;  // found, and not yet handed to the read-ahead
  std::size_t count_ = 0;    // messages found so far
  std::size_t next_ = 0;
  ReadAhead ahead_;  // last, so that its workers stop before the rest goes
};

CompressedMboxMessages::CompressedMboxMessages(std::string path, Compression compression)
    : file_(std::make_shared<File>(File{std::move(path), compression, {}, {}})) {
  file_->descriptor = OpenForReading(file_->path);
  if (file_->descriptor.get() < 0) throw FileError(file_->path, errno);
}

long CompressedMboxMessages::Count() {
  if (!file_->count) {
    const std::unique_ptr<ByteSource> bytes =
        Decompressing(file_->descriptor, file_->path, file_->compression);
    MboxScanner scanner(*bytes);
    long count = 0;
    try {
      for (MboxScanner::Span span; scanner.Next(span);) ++count;
    } catch (const Error&) {
      ++count;  // the message that says why the rest cannot be read
    }
    file_->count = count;
  }
  return *file_->count;
}

std::unique_ptr<Cursor<Message>> CompressedMboxMessages::Begin() {
  return std::make_unique<MessageCursor>(file_);
}

}  // namespace store::mbox
