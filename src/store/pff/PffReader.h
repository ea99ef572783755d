#pragma once

#include <functional>
#include <memory>
#include <string>

#include "store/pff/PffFile.h"
#include "store/pff/Wire.h"

namespace store::pff {

// The hidden option that makes this program a reader of one personal folder file:
//   orvane --personal-folder-reader FILE
// It talks over its standard input, a socket the window's process gave it (see ReaderProcess).
inline constexpr char kReaderOption[] = "--personal-folder-reader";

// The reader process: opens the file, says whether it could ({"ok"} or {"failed", reason}), then
// answers each request until the socket on `fd` closes. Gives the process's exit status.
int ServeReader(const std::string& path, int fd);

// What the reader answers, with libpff, on the reader's one thread. Folders are named by their
// place: the indexes of the folders leading to them from the file's root, as "3,0,1".
//   {"store"}                  -> {"ok", display name}
//   {"folders", place}         -> {"ok", name, failure, name, failure, ...} (a failure is absent
//                                 for a folder that could be read)
//   {"mail", place}            -> {"ok", indexes of the folder's mail items}
//   {"read", place, indexes}   -> one frame a message, in order: {"ok", wire::MessageField...}
// Any request may instead be answered {"failed", libpff's reason}.
class FileReader {
 public:
  // Opens the file; throws Error::Unreadable with libpff's reason.
  explicit FileReader(const std::string& path) : file_(PffFile::Open(path)) {}

  void Answer(const wire::Frame& request, const std::function<void(const wire::Frame&)>& reply);

 private:
  std::shared_ptr<PffFile> file_;
};

}  // namespace store::pff
