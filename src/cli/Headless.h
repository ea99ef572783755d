#pragma once

#include "cli/CommandLine.h"

namespace cli {

// The exit statuses of the modes without a window.
enum ExitStatus {
  kComplete = 0,
  kFailed = 1,        // the export file could not be written; the file there was left alone
  kBadArguments = 2,  // bad arguments, or no such store or folder
  kUnread = 3,        // complete, but some messages could not be read in full
  kInterrupted = 130  // Ctrl-C: the file holds the records written before it
};

// --list and --export, on standard output and standard error, without a window. The export is
// the window's own (exporter::SaveFoldersToFile), so the file is the one the window writes.
int RunList(const Options& options);
int RunExport(const Options& options);

}  // namespace cli
