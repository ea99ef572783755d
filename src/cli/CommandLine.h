#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// What the user asked for on the command line.
struct Options {
  enum class Mode { Window, List, Export, Help, Version };
  Mode mode = Mode::Window;
  std::vector<std::string> paths;  // stores to open, listed before the ones found
  std::string folder;              // --export: STORE/FOLDER[/SUBFOLDER...]
  std::string output;              // --output
  bool recursive = false;          // --recursive: the folders below it too
  std::string passwordFile;        // --password-file
};

// A command line that asks for nothing this program does; what() says why.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Whether the arguments ask for a mode without a window (listing, exporting, help, version), so
// that no window system is needed to read them.
bool WantsNoWindow(const std::vector<std::string>& args);

// Reads the arguments after the program's name. Throws UsageError.
Options ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string Usage();

}  // namespace cli
