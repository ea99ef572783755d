#pragma once

#include <QString>

#include "export/Outcome.h"

namespace exporter {

// What the user is told when an export has ended: "Export Complete", followed by the messages
// that could not be read in full when there were any.
QString ExportCompletePrompt(const exporter::Outcome& outcome);

// "Export Failed" with the path, the system's reason and what the file holds.
QString ExportFailedPrompt(const exporter::Outcome& outcome);

}  // namespace exporter
