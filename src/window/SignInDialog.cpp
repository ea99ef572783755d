#include "window/SignInDialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "window/DialogText.h"

namespace window {

SignInDialog::SignInDialog(const store::imap::Account& account, const QString& problem,
                           QWidget* parent, const QString& note)
    : QDialog(parent), signIn_(std::make_shared<discovery::OAuthSignIn>(account)) {
  setWindowTitle(QStringLiteral("Orvane"));
  setModal(true);
  lblAccount = NewDialogText(
      QStringLiteral("Sign in to the account \u201C%1\u201D on %2 in your web "
                     "browser. Orvane has opened the sign-in page and waits "
                     "here until the provider answers.")
              .arg(QString::fromStdString(account.name), QString::fromStdString(account.Server())) +
          (note.isEmpty() ? QString() : "\n\n" + note),
      this);
  lblProblem = NewDialogText(problem, this);
  lblProblem->setAccessibleName(QStringLiteral("Why the last try failed"));
  lblProblem->setVisible(!problem.isEmpty());

  auto* buttons = new QDialogButtonBox(this);
  cbRetry = buttons->addButton(QStringLiteral("Sign In &Again"), QDialogButtonBox::ActionRole);
  cbCancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
  cbRetry->setAccessibleName(QStringLiteral("Open the sign-in page again"));
  cbCancel->setAccessibleName(QStringLiteral("Skip this account"));
  cbRetry->hide();
  connect(cbRetry, &QPushButton::clicked, this, &SignInDialog::Begin);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  connect(signIn_.get(), &discovery::OAuthSignIn::openUrl, this,
          [](const QUrl& url) { QDesktopServices::openUrl(url); });
  connect(signIn_.get(), &discovery::OAuthSignIn::finished, this, [this](const QString& why) {
    if (why.isEmpty()) return accept();
    lblProblem->setText(why);
    lblProblem->show();
    cbRetry->show();
    cbRetry->setDefault(true);
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblAccount);
  layout->addWidget(lblProblem);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  cbCancel->setFocus();
}

void SignInDialog::Begin() {
  cbRetry->hide();
  signIn_->Start();
}

std::shared_ptr<discovery::OAuthSignIn> SignInDialog::Ask() {
  // The page opens once the dialog shows, so that it is there to say what is happening.
  QTimer::singleShot(0, this, &SignInDialog::Begin);
  if (exec() != QDialog::Accepted) return nullptr;
  return signIn_;
}

}  // namespace window
