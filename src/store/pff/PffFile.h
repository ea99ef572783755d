#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "store/Error.h"

// libpff names its handles as integers the size of a pointer.
using libpff_file_t = std::intptr_t;
using libpff_item_t = std::intptr_t;

namespace store::pff {

// One personal folder file (.pst, .ost) opened with libpff, in the reader process, which calls
// libpff on one thread only; items of the file keep the file open.
class PffFile : public std::enable_shared_from_this<PffFile> {
 public:
  // Opens the file; throws Error::Unreadable with libpff's reason when it cannot.
  static std::shared_ptr<PffFile> Open(const std::string& path);
  ~PffFile();
  PffFile(const PffFile&) = delete;
  PffFile& operator=(const PffFile&) = delete;

  const std::string& path() const { return path_; }
  libpff_file_t* handle() { return file_; }

  // The error libpff reports about `what`, freed here, as the store's failure.
  Error Failure(const std::string& what, void* error) const;

 private:
  explicit PffFile(std::string path) : path_(std::move(path)) {}

  std::string path_;
  libpff_file_t* file_ = nullptr;
};

// A string property of an item as UTF-8 (libpff converts from the file's code page); nothing
// when the item lacks it.
std::optional<std::string> ItemText(libpff_item_t* item, std::uint32_t entryType);

// An item of the file (a folder, a message, the message store), freed when it goes.
class PffItem {
 public:
  PffItem(std::shared_ptr<PffFile> file, libpff_item_t* item)
      : file_(std::move(file)), item_(item) {}
  ~PffItem();
  PffItem(const PffItem&) = delete;
  PffItem& operator=(const PffItem&) = delete;

  const std::shared_ptr<PffFile>& file() const { return file_; }
  libpff_item_t* get() const { return item_; }

  // See ItemText.
  std::optional<std::string> Text(std::uint32_t entryType) const {
    return ItemText(item_, entryType);
  }

 private:
  std::shared_ptr<PffFile> file_;
  libpff_item_t* item_;
};

}  // namespace store::pff
