// A test program is not Orvane: personal folder files are read by the built program's reader.
// The tests crash readers with SIGSEGV; in the sanitizer build AddressSanitizer would take that
// signal in the reader and end it with status 1, so the readers leave it alone.

#include <cstdlib>
#include <string>

#include "store/pff/ReaderProcess.h"

namespace {

const bool set = [] {
  store::pff::SetReaderProgram(ORVANE_BINARY_DIR "/src/orvane");
  const char* options = std::getenv("ASAN_OPTIONS");
  const std::string asan = options && *options ? std::string(options) + ":" : "";
  setenv("ASAN_OPTIONS", (asan + "handle_segv=0").c_str(), 1);
  return true;
}();

}  // namespace
