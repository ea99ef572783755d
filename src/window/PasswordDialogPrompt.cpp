#include "window/PasswordDialogPrompt.h"

#include "discovery/Service.h"
#include "window/PasswordDialog.h"

namespace window {

std::optional<std::string> PasswordDialogPrompt::AskPassword(const std::string& account,
                                                             const std::string& server,
                                                             const std::string& problem) {
  PasswordDialog dialog(QString::fromStdString(account), QString::fromStdString(server),
                        QString::fromStdString(problem), parent_);
  return dialog.Ask();
}

std::shared_ptr<store::Session> CreateSessionAskingPasswords() {
  // No parent: the window is not shown yet while the session logs on; the dialog is centred on
  // the screen, where the window then opens.
  return discovery::CreateSessionWithAccounts(std::make_shared<PasswordDialogPrompt>());
}

}  // namespace window
