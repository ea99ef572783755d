#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/LocaleEncoder.h"

namespace exporter {

// The export file: lines of UTF-8 text written in the locale's character set, each ended by
// CR LF, grouped into records.
//
// Output goes through one large buffer, so a folder of any size costs a few hundred write(2)
// calls per gigabyte and constant memory. Because a failed write (disk full, I/O error) may land
// in the middle of a record, the file remembers where each buffered record ends; when a write
// fails it cuts the file back to the end of the last record that reached it whole, so the file
// never ends in a partial record and records() counts exactly what the file holds. After a
// failure every further write is refused.
class ExportFile {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  ExportFile() = default;
  ~ExportFile();
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  // Creates `path`, or empties it if it exists, and takes the character set of the LC_CTYPE
  // locale in force now. False with reason() when either cannot be done.
  bool Open(const std::string& path);

  // Writes `text` as one line. False once the file has failed.
  bool WriteLine(std::string_view text);

  // The lines written since the last call form one complete record.
  void EndRecord();

  // Writes out what is buffered and closes the file. False with reason() when the file failed
  // now or earlier.
  bool Close();

  const std::string& reason() const { return reason_; }
  // Complete records known to be in the file (all of them once Close() has succeeded).
  long records() const { return records_; }

 private:
  bool Put(std::string_view bytes);
  bool Flush();
  bool Fail(int error);

  int fd_ = -1;
  bool failed_ = false;
  std::string reason_;
  std::optional<LocaleEncoder> encoder_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;                // bytes that reached the file
  std::uint64_t recordsEnd_ = 0;             // where the last complete record in the file ends
  std::vector<std::uint64_t> bufferedEnds_;  // where each record still in the buffer ends
  long records_ = 0;
};

}  // namespace exporter
