#include "store/pff/PffFile.h"

#include <libpff.h>

#include <vector>

namespace store::pff {

std::shared_ptr<PffFile> PffFile::Open(const std::string& path) {
  std::shared_ptr<PffFile> file(new PffFile(path));
  libpff_error_t* error = nullptr;
  if (libpff_file_initialize(&file->file_, &error) != 1) {
    file->file_ = nullptr;
    throw file->Failure(path + " cannot be opened", error);
  }
  if (libpff_file_open(file->file_, path.c_str(), LIBPFF_OPEN_READ, &error) != 1) {
    throw file->Failure(path + " cannot be read as a personal folder file", error);
  }
  return file;
}

PffFile::~PffFile() {
  if (!file_) return;
  libpff_file_close(file_, nullptr);
  libpff_file_free(&file_, nullptr);
}

Error PffFile::Failure(const std::string& what, void* error) const {
  auto* pffError = static_cast<libpff_error_t*>(error);
  std::string reason = what;
  if (pffError) {
    char text[1024] = {};
    if (libpff_error_sprint(pffError, text, sizeof text) > 0) {
      // libpff tells the whole chain of calls, one a line; the last line is the cause.
      std::string chain(text);
      while (!chain.empty() && (chain.back() == '\n' || chain.back() == ' ')) chain.pop_back();
      const std::size_t last = chain.rfind('\n');
      reason += ": " + (last == std::string::npos ? chain : chain.substr(last + 1));
    }
    libpff_error_free(&pffError);
  }
  return Error::Unreadable(reason);
}

PffItem::~PffItem() {
  if (!item_) return;
  libpff_item_free(&item_, nullptr);
}

std::optional<std::string> ItemText(libpff_item_t* item_, std::uint32_t entryType) {
  libpff_error_t* error = nullptr;
  size_t size = 0;
  if (libpff_message_get_entry_value_utf8_string_size(item_, entryType, &size, &error) != 1 ||
      size == 0) {
    libpff_error_free(&error);
    return std::nullopt;
  }
  std::vector<uint8_t> text(size);
  if (libpff_message_get_entry_value_utf8_string(item_, entryType, text.data(), size, &error) !=
      1) {
    libpff_error_free(&error);
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(text.data()), size - 1);
}

}  // namespace store::pff
