#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace window {

// Asks for the password of one IMAP account while the service logs on: names the account and its
// server, says why the last try failed, and lets the user log on or skip the account.
class PasswordDialog : public QDialog {
  Q_OBJECT

 public:
  PasswordDialog(const QString& account, const QString& server, const QString& problem,
                 QWidget* parent = nullptr);

  // Shows the dialog modally; the password typed, or nothing when the user skipped the account
  // (Skip, Escape or closing the dialog). The field is emptied before it returns.
  std::optional<std::string> Ask();

  QLabel* lblAccount;
  QLabel* lblProblem;  // hidden on the first try
  QLineEdit* edtPassword;
  QPushButton* cbLogOn;
  QPushButton* cbSkip;
};

}  // namespace window
