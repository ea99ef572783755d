#pragma once

#include <optional>
#include <string>
#include <vector>

namespace exporter {

// Where an export may be written, decided before anything is written.
//
// The path is taken as the user typed it, relative to the home directory when it is not absolute
// ("~/" means the home directory too), and followed through symbolic links as any save does. It is
// refused when it names something other than a regular file (a directory, a FIFO, a device) or
// when it is, or lies inside, one of the places the mail comes from: exporting over a mailbox or
// into a maildir would destroy the very mail being saved. Places are compared by device and inode,
// so no spelling of a path (a link, "..", a bind mount) gets around the check.
class ExportTarget {
 public:
  // `mailLocations` are the files and directories that hold the mail of the stores listed.
  // Nothing with `reason` set when the path cannot be used.
  static std::optional<ExportTarget> Resolve(const std::string& typed,
                                             const std::vector<std::string>& mailLocations,
                                             std::string& reason);

  // The absolute path, as the user should read it.
  const std::string& shown() const { return shown_; }
  // The file that will be replaced or created, links followed.
  const std::string& file() const { return file_; }
  const std::string& directory() const { return directory_; }
  // The permission bits of the file being replaced, if there is one.
  std::optional<unsigned> existingMode() const { return existingMode_; }

  // The typed path made absolute and tidied, for the user to read, whether or not it can be used.
  static std::string Shown(const std::string& typed);

 private:
  std::string shown_;
  std::string file_;
  std::string directory_;
  std::optional<unsigned> existingMode_;
};

}  // namespace exporter
