// The Export and Cancel commands. The whole export runs inside the Export handler, on the window's
// thread; the Cancel handler runs nested in it, where the export lets pending events through.

#include <QListWidget>
#include <QPushButton>
#include <optional>

#include "export/FolderExport.h"
#include "store/Step.h"
#include "window/Form1.h"
#include "window/ListBox.h"
#include "window/MsgBox.h"
#include "export/OutcomePrompt.h"
#include "window/PaintPacer.h"
#include "window/ProgressBar.h"

namespace window {

using exporter::ExportCompletePrompt;
using exporter::ExportFailedPrompt;

exporter::Outcome Form1::SaveMessagesToFile(const std::shared_ptr<store::Folder>& objFolder) {
  // The captions take every message's values; the window paints them at its screen's pace.
  SetStatusFitDeferred(true);
  paintPacer_->SetPaced(true);
  exporter::Outcome outcome = exporter::SaveMessagesToFile(*this, objFolder);
  paintPacer_->SetPaced(false);
  SetStatusFitDeferred(false);
  return outcome;
}

void Form1::cbExport_Click() {
  EnterExportingState();
  bContinueExport = true;

  // Both selections are read in every case.
  const int subIndex = ListIndex(*List3);
  const int topIndex = ListIndex(*List2);
  if (subIndex == -1 && topIndex == -1) {
    MsgBox(this, QStringLiteral("No Message Folder Selected"));
    EnterIdleState();
    return;
  }

  // A selected subfolder wins over its top-level folder. The walk to it holds its own
  // reference to the collection, so a list click during the export may replace the form-level
  // one.
  const bool subfolder = subIndex > -1;
  std::shared_ptr<store::Folder>& objFolder = subfolder ? objSubFolder : objTopFolder;
  std::optional<exporter::Outcome> outcome;
  if (FindAt(subfolder ? objSubFolders : objFolders, objFolder,
             ListPosition(subfolder ? *List3 : *List2)))
    outcome = SaveMessagesToFile(objFolder);

  ProgressBar1->setVisible(false);

  // A window closed during the export is gone for good: no box brings it back.
  if (!unloaded_) {
    if (!outcome)
      MsgBox(this, QStringLiteral("Message Folder Not Found"));
    else if (outcome->failed())
      MsgBox(this, ExportFailedPrompt(*outcome), MsgBoxStyle::Critical);
    else
      MsgBox(this, ExportCompletePrompt(*outcome), MsgBoxStyle::Information,
             QStringLiteral("VIR Izovez"));
  }

  cbExport->setEnabled(true);
  cbCancel->setEnabled(false);
}

void Form1::cbCancel_Click() { bContinueExport = false; }

}  // namespace window
