#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace store::maildir {

// File names kept in about a third of their size. A maildir's names follow one pattern, numbers
// between the same few strings ("1700000000.M81P4021.host,S=2301:2,S"), so each name is kept as
// its runs: a run of digits as its length and value, any other run as its place in a table of
// the runs seen before. A folder of a million messages keeps its names in some 20 MB, not 50.
// Names go into blocks that never move, so adding one never copies the others.
class PackedNames {
 public:
  // Where a name is kept; its top bit is always clear, free for the caller's own use.
  using Handle = std::uint32_t;

  Handle Add(std::string_view name);
  // The name kept at `handle`, written into `name` (cleared first).
  void Get(Handle handle, std::string& name) const;
  std::string Get(Handle handle) const;

 private:
  static constexpr std::size_t kBlockSize = 1 << 20;
  // Runs other than digits are written out in full once the table holds this many: names that
  // share no pattern are then kept as they are, the table no larger than this.
  static constexpr std::size_t kMostRuns = 4096;

  void Put(unsigned char byte) { scratch_.push_back(static_cast<char>(byte)); }
  void PutNumber(std::uint64_t value);
  void PutRun(std::string_view run);

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = kBlockSize;  // of the last block
  // Looked up by the run's own bytes: a name is packed without a string made of each run.
  struct RunHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view run) const {
      return std::hash<std::string_view>()(run);
    }
  };
  std::unordered_map<std::string, std::uint32_t, RunHash, std::equal_to<>> runIds_;
  std::vector<std::string> runs_;
  std::string scratch_;  // the name being packed
};

}  // namespace store::maildir
