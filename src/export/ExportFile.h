#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/ExportTarget.h"
#include "export/LocaleEncoder.h"

namespace exporter {

// The export file: lines of UTF-8 text written in the locale's character set, each ended by
// CR LF, grouped into records.
//
// The lines go to a new file beside the target, which takes the target's place only when the
// export is kept: the file the user had there is never cut short or mixed with new records, and
// an export that fails leaves it exactly as it was. Output goes through one large buffer, so a
// folder of any size costs a few hundred write(2) calls per gigabyte and constant memory. After
// a failed write every further write is refused.
class ExportFile {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

  ExportFile() = default;
  ~ExportFile();
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  // Starts the new file beside `target` and takes the character set of the LC_CTYPE locale in
  // force now. False with reason() when either cannot be done.
  bool Open(const ExportTarget& target);

  // Writes `text` as one line. False once the file has failed.
  bool WriteLine(std::string_view text);

  // The lines written since the last call form one complete record.
  void EndRecord();

  // Writes out what is buffered and puts the new file in the target's place. False with
  // reason() when the file failed now or earlier; the target is then left as it was.
  bool Keep();
  // Throws the new file away; the target is left as it was.
  void Discard();

  const std::string& reason() const { return reason_; }
  // Complete records written so far.
  long records() const { return records_; }

 private:
  bool Put(std::string_view bytes);
  bool Flush();
  bool Fail(int error);

  int fd_ = -1;
  std::string temporary_;  // the new file, until it is kept or discarded
  std::string target_;
  bool failed_ = false;
  std::string reason_;
  std::optional<LocaleEncoder> encoder_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  long records_ = 0;
};

}  // namespace exporter
