#pragma once

#include <memory>
#include <vector>

#include "export/ExportView.h"
#include "export/Outcome.h"
#include "store/Store.h"

namespace exporter {

// Writes every message of `folder` to the file that `view` names, one record per message, showing
// progress in `view` and stopping after the record during which the user cancelled.
Outcome SaveMessagesToFile(ExportView& view, const std::shared_ptr<store::Folder>& folder);

// The same for several folders into one file: each folder's records after those of the folder
// before it, with nothing between them. The export is kept only when every folder was walked to
// its end (or the user cancelled).
Outcome SaveFoldersToFile(ExportView& view,
                          const std::vector<std::shared_ptr<store::Folder>>& folders);

}  // namespace exporter
