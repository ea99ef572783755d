#pragma once

#include <QDialog>
#include <memory>

#include "discovery/OAuthSignIn.h"

class QLabel;
class QPushButton;

namespace window {

// Shown while an OAuth2 account signs in at its provider in the user's browser: says what is
// happening and, when signing in failed, why (the provider's or the server's own words); lets the
// user sign in again or cancel, which skips the account as the password dialog's Skip does.
class SignInDialog : public QDialog {
  Q_OBJECT

 public:
  // `note`, when given, follows what is happening (that the sign-in will not be remembered).
  SignInDialog(const store::imap::Account& account, const QString& problem,
               QWidget* parent = nullptr, const QString& note = {});

  // Shows the dialog modally and opens the provider's page; the tokens once signed in, or
  // nothing when the user cancelled.
  std::shared_ptr<discovery::OAuthSignIn> Ask();

  QLabel* lblAccount;
  QLabel* lblProblem;    // hidden until something failed
  QPushButton* cbRetry;  // hidden while a sign-in is under way
  QPushButton* cbCancel;

 private:
  void Begin();

  std::shared_ptr<discovery::OAuthSignIn> signIn_;
};

}  // namespace window
