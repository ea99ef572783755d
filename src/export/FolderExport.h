#pragma once

#include <memory>

#include "export/ExportView.h"
#include "export/Outcome.h"
#include "store/Store.h"

namespace exporter {

// Writes every message of `folder` to the file that `view` names, one record per message, showing
// progress in `view` and stopping after the record during which the user cancelled.
Outcome SaveMessagesToFile(ExportView& view, const std::shared_ptr<store::Folder>& folder);

}  // namespace exporter
