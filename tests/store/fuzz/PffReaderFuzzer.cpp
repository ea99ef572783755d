// Damages a real personal folder file as its input says, and has the reader (the code that runs
// in the reader process) answer every request the store makes of it: the store's name, every
// folder's folders and mail, and every message. Any damage must give answers, never a crash, a
// hang or a read out of bounds.
//
// The input is the damage: its first byte picks the file, the next four where the file is cut
// (the top bit set: not cut), and each five bytes after them an offset whose byte is XORed with
// the fifth (0 meaning 0xFF).

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "store/pff/PffReader.h"

using store::pff::FileReader;
namespace wire = store::pff::wire;

namespace {

// The real files, read once.
const std::string& FileBytes(std::size_t which) {
  static const std::vector<std::string> files = [] {
    std::vector<std::string> read;
    for (const char* name : {"enron.pst", "pstextractortest@outlook.com.ost"}) {
      std::ifstream in(std::string(ORVANE_PFF_TEST_DATA) + "/" + name, std::ios::binary);
      read.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return read;
  }();
  return files[which % files.size()];
}

std::uint32_t Number(const std::uint8_t* at) {
  std::uint32_t n;
  std::memcpy(&n, at, 4);
  return n;
}

// Asks for a folder's folders and mail, reads the mail, and goes down, as the store's walks do
// (no deeper, nor to more folders, than they go).
void ReadFolder(FileReader& reader, const std::vector<int>& place, int depth, int& folders) {
  if (depth > 64 || ++folders > 2000) return;
  const std::string at = wire::Numbers(place);
  wire::Frame listed, mail;
  reader.Answer({"folders", at}, [&](const wire::Frame& f) { listed = f; });
  reader.Answer({"mail", at}, [&](const wire::Frame& f) { mail = f; });
  if (mail.size() > 1 && mail[0] == "ok") {
    // Every message asked for is answered for, read or not.
    std::size_t answers = 0;
    reader.Answer({"read", at, mail[1]}, [&](const wire::Frame& f) {
      if (f.empty() || (f[0] != "ok" && f[0] != "failed")) std::abort();
      ++answers;
    });
    if (answers != wire::NumbersOf(mail[1]).size()) std::abort();
  }
  if (listed.empty() || listed[0] != "ok") return;
  for (std::size_t i = 1; i + 1 < listed.size(); i += 2) {
    if (listed[i + 1]) continue;
    std::vector<int> below = place;
    below.push_back(static_cast<int>(i / 2));
    ReadFolder(reader, below, depth + 1, folders);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  std::string bytes = FileBytes(data[0]);
  if (bytes.empty()) std::abort();  // no test files: run scripts/fetch-test-data.sh
  const std::uint32_t cut = Number(data + 1);
  if (!(cut & 0x80000000u)) bytes.resize(cut % bytes.size());
  for (std::size_t at = 5; at + 5 <= size && !bytes.empty(); at += 5) {
    const std::uint8_t mask = data[at + 4] ? data[at + 4] : 0xFF;
    bytes[Number(data + at) % bytes.size()] ^= static_cast<char>(mask);
  }
  const int fd = memfd_create("damaged.pst", MFD_CLOEXEC);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    std::abort();
  try {
    FileReader reader("/proc/self/fd/" + std::to_string(fd));
    reader.Answer({"store"}, [](const wire::Frame&) {});
    int folders = 0;
    ReadFolder(reader, {}, 0, folders);
  } catch (const store::Error&) {
    // A file that cannot be opened at all is said so, which is an answer too.
  }
  ::close(fd);
  return 0;
}
