// A test program is not Orvane: personal folder files are read by the built program's reader.

#include "store/pff/ReaderProcess.h"

namespace {

const bool set = [] {
  store::pff::SetReaderProgram(ORVANE_BINARY_DIR "/src/orvane");
  return true;
}();

}  // namespace
