#include "cli/CommandLine.h"

namespace cli {
namespace {

// "--name=value" or "--name value": the value, taken from the arguments.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value) {
  const std::string& arg = args[i];
  if (arg.starts_with(name + "=")) {
    value = arg.substr(name.size() + 1);
  } else if (arg == name) {
    if (++i == args.size()) throw UsageError(name + " needs a value");
    value = args[i];
  } else {
    return false;
  }
  if (value.empty()) throw UsageError(name + " needs a value");
  return true;
}

}  // namespace

bool WantsNoWindow(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    for (const char* option : {"--list", "--export", "--help", "-h", "--version"})
      if (arg == option || arg.starts_with(std::string(option) + "=")) return true;
  }
  return false;
}

Options ParseCommandLine(const std::vector<std::string>& args) {
  Options options;
  bool list = false, help = false, version = false, onlyPaths = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyPaths || arg == "-" || !arg.starts_with('-')) {
      options.paths.push_back(arg);
    } else if (arg == "--") {
      onlyPaths = true;
    } else if (arg == "--list") {
      list = true;
    } else if (arg == "--recursive" || arg == "-r") {
      options.recursive = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (!TakeValue(args, i, "--export", options.folder) &&
               !TakeValue(args, i, "--output", options.output) &&
               !(arg == "-o" && TakeValue(args, i, "-o", options.output)) &&
               !TakeValue(args, i, "--password-file", options.passwordFile)) {
      throw UsageError("unknown option " + arg);
    }
  }
  if (help) {
    options.mode = Options::Mode::Help;
  } else if (version) {
    options.mode = Options::Mode::Version;
  } else if (list && !options.folder.empty()) {
    throw UsageError("--list and --export cannot be given together");
  } else if (list) {
    options.mode = Options::Mode::List;
  } else if (!options.folder.empty()) {
    if (options.output.empty()) throw UsageError("--export needs --output FILE");
    options.mode = Options::Mode::Export;
  }
  if (options.mode != Options::Mode::Export && (!options.output.empty() || options.recursive))
    throw UsageError("--output and --recursive go with --export");
  if (options.mode == Options::Mode::Window && !options.passwordFile.empty())
    throw UsageError("--password-file goes with --list or --export");
  return options;
}

std::string Usage() {
  return R"(Usage: orvane [PATH...]
       orvane --list [PATH...]
       orvane --export STORE/FOLDER[/SUBFOLDER...] --output FILE [--recursive] [PATH...]

Writes every message of a mail folder into one plain-text file. Without --list or --export it
opens its window. Each PATH (an mbox file, a maildir, or a directory of mbox files and
maildirs) is listed as a store of its own before the stores found on this computer.

  --list                 print the stores and every folder in them, one folder a line, as
                         STORE/FOLDER/... followed by a tab and its number of messages
  --export FOLDER        export that folder, named as --list prints it; a "/" or "\" in a
                         name is written "\/" or "\\"
  -o, --output FILE      the export file; it replaces the file there only once it is whole
  -r, --recursive        also export every folder below, depth-first, each folder's records
                         after its parent's
  --password-file FILE   the password of an IMAP account, in a file only its owner may read
                         (mode 0600); else it is asked for on the terminal
  -h, --help             show this text
  --version              show the version

Exit status: 0 the export is complete; 1 it failed (the file is left as it was); 2 bad
arguments or no such store or folder; 3 complete, but some messages could not be read in full;
130 interrupted (Ctrl-C) after a whole record, which the file then ends with.
)";
}

}  // namespace cli
