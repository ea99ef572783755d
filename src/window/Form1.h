#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "export/ExportView.h"
#include "export/Outcome.h"
#include "discovery/Service.h"
#include "store/Store.h"
#include "window/PasswordDialogPrompt.h"

class QCloseEvent;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace window {

class AutoSizeLabel;
class PaintPacer;
class ProgressBar;

// The program's one window: three lists to pick a store, a top-level folder and a subfolder, the
// export file's path, the export's progress, and the Export and Cancel buttons. Its controls,
// form-level references and continue flag are public fields, as its event handlers use them.
class Form1 : public QWidget, public exporter::ExportView {
  Q_OBJECT

 public:
  // By default the session of this computer's service, asking for account passwords in dialogs.
  explicit Form1(store::SessionFactory createSession = CreateSessionAskingPasswords,
                 QWidget* parent = nullptr);
  ~Form1() override;

  // Loads the window (Form_Load), then shows it centred on the screen, whatever the load did.
  void Start();

  void Form_Load();
  void Form_Unload();

  void EnterIdleState();
  void EnterExportingState();

  // Event handlers of the lists and buttons.
  void List1_Click();
  void List2_Click();
  void cbExport_Click();
  void cbCancel_Click();

  // Writes every message of `objFolder` to the export file, showing progress in the window and
  // stopping after the record during which the user cancelled or closed the window.
  exporter::Outcome SaveMessagesToFile(const std::shared_ptr<store::Folder>& objFolder);

  // exporter::ExportView
  std::string ExportPath() override;
  std::vector<std::string> MailLocations() override;
  void SetProgressMax(float max) override;
  void SetProgressValue(float value) override;
  void SetMessageCountCaption(const std::string& text) override;
  void SetSubjectCaption(const std::string& text) override;
  void SetMessageIdCaption(const std::string& text) override;
  void ProcessPendingEvents() override;
  bool ContinueExport() override;

  // Controls, in their tab order.
  QPushButton* cbExport;
  QListWidget* List1;
  AutoSizeLabel* Label1;
  AutoSizeLabel* Label2;
  AutoSizeLabel* lblSubject;
  AutoSizeLabel* Label3;
  QLineEdit* edtMessageFile;
  QListWidget* List2;
  QListWidget* List3;
  AutoSizeLabel* lblMessageID;
  AutoSizeLabel* lblMessageCount;
  ProgressBar* ProgressBar1;
  QPushButton* cbCancel;

  // Form-level references: the session, the collection that filled each list and the loop
  // variables of the walks over them.
  std::shared_ptr<store::Session> objSession;
  std::shared_ptr<store::Collection<store::InfoStore>> objInfoStores;
  std::shared_ptr<store::InfoStore> objInfoStore;
  std::shared_ptr<store::Collection<store::Folder>> objFolders;
  std::shared_ptr<store::Folder> objTopFolder;
  std::shared_ptr<store::Collection<store::Folder>> objSubFolders;
  std::shared_ptr<store::Folder> objSubFolder;

  bool bContinueExport = false;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  template <class T>
  static bool FindAt(const std::shared_ptr<store::Collection<T>>& collection,
                     std::shared_ptr<T>& loop, int position);
  template <class T>
  static void FillWithNames(QListWidget& list,
                            const std::shared_ptr<store::Collection<T>>& collection,
                            std::shared_ptr<T>& loop);
  void SetExporting(bool exporting);
  void CreateControls();
  void PlaceControls();
  void ConnectHandlers();
  // The status labels that change during an export: deferred sizing while it runs, and their
  // sizes brought up to date before any paint.
  void SetStatusFitDeferred(bool deferred);
  void FitStatusLabels();

  store::SessionFactory createSession_;
  PaintPacer* paintPacer_;
  // Set once the window has been closed; an export running then stops after its current record.
  bool unloaded_ = false;
};

}  // namespace window
