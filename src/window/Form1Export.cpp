// The Export and Cancel commands. The whole export runs inside the Export handler, on the window's
// thread; the Cancel handler runs nested in it, where the export lets pending events through.

#include <QListWidget>
#include <QPushButton>
#include <optional>

#include "export/FolderExport.h"
#include "store/Step.h"
#include "store/Walk.h"
#include "window/Form1.h"
#include "window/ListBox.h"
#include "window/MsgBox.h"
#include "window/OutcomePrompt.h"
#include "window/PaintPacer.h"
#include "window/ProgressBar.h"

namespace window {

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
  // 1.-3.
  EnterExportingState();
  // 4.
  bContinueExport = true;

  // 5.-7. Both selections are read in every case.
  const int subIndex = ListIndex(*List3);
  const int topIndex = ListIndex(*List2);
  if (subIndex == -1 && topIndex == -1) {
    MsgBox(this, QStringLiteral("No Message Folder Selected"));
    EnterIdleState();
    return;
  }

  // 8. A selected subfolder wins over its top-level folder.
  const bool subfolder = ListIndex(*List3) > -1;
  const std::shared_ptr<store::Collection<store::Folder>>& folders =
      subfolder ? objSubFolders : objFolders;
  std::shared_ptr<store::Folder>& objFolder = subfolder ? objSubFolder : objTopFolder;
  const QListWidget& list = subfolder ? *List3 : *List2;

  // 9.-12. The walk holds its own reference to the collection, so a list click during the export
  // may replace the form-level one. The list's text is read anew for every folder. Only the first
  // folder with the selected name is exported: the one whose subfolders browsing showed, and the
  // only one, as each export replaces the file.
  std::optional<exporter::Outcome> outcome;
  store::Step([&] {
    for (store::Walk walk(folders, objFolder); !walk.done(); walk.Advance()) {
      bool match = false;
      store::Step([&] { match = ListText(list) == store::Use(objFolder).Name(); });
      if (match) {
        outcome = SaveMessagesToFile(objFolder);
        return;
      }
    }
  });

  // 13.
  ProgressBar1->setVisible(false);

  // 14. A window closed during the export is gone for good: no box brings it back.
  if (!unloaded_) {
    if (!outcome)
      MsgBox(this, QStringLiteral("Message Folder Not Found"));
    else if (outcome->failed())
      MsgBox(this, ExportFailedPrompt(*outcome), MsgBoxStyle::Critical);
    else
      MsgBox(this, ExportCompletePrompt(*outcome), MsgBoxStyle::Information,
             QStringLiteral("VIR Izovez"));
  }

  // 15.-16.
  cbExport->setEnabled(true);
  cbCancel->setEnabled(false);
}

void Form1::cbCancel_Click() { bContinueExport = false; }

}  // namespace window
