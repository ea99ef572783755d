#include "window/PasswordDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "window/DialogText.h"

namespace window {

PasswordDialog::PasswordDialog(const QString& account, const QString& server,
                               const QString& problem, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvane"));
  setModal(true);

  lblAccount =
      NewDialogText(QStringLiteral("Enter the password of the account \u201C%1\u201D on %2.")
                        .arg(account, server),
                    this);
  lblProblem = NewDialogText(problem, this);
  lblProblem->setAccessibleName(QStringLiteral("Why the last try failed"));
  lblProblem->setVisible(!problem.isEmpty());

  edtPassword = new QLineEdit(this);
  edtPassword->setEchoMode(QLineEdit::Password);
  edtPassword->setAccessibleName(QStringLiteral("Password"));
  edtPassword->setAccessibleDescription(lblAccount->text());
  auto* fields = new QFormLayout;
  auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
  passwordLabel->setBuddy(edtPassword);
  fields->addRow(passwordLabel, edtPassword);

  auto* buttons = new QDialogButtonBox(this);
  cbLogOn = buttons->addButton(QStringLiteral("&Log On"), QDialogButtonBox::AcceptRole);
  cbSkip = buttons->addButton(QStringLiteral("&Skip Account"), QDialogButtonBox::RejectRole);
  cbLogOn->setAccessibleName(QStringLiteral("Log on"));
  cbSkip->setAccessibleName(QStringLiteral("Skip this account"));
  cbLogOn->setDefault(true);  // Enter in the field logs on
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblAccount);
  layout->addWidget(lblProblem);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(edtPassword, cbLogOn);
  setTabOrder(cbLogOn, cbSkip);
  edtPassword->setFocus();
}

std::optional<std::string> PasswordDialog::Ask() {
  const bool accepted = exec() == QDialog::Accepted;
  std::optional<std::string> password;
  if (accepted) password = edtPassword->text().toStdString();
  edtPassword->clear();
  return password;
}

}  // namespace window
