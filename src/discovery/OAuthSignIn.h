#pragma once

#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <memory>
#include <string>

#include "discovery/OAuthTokens.h"
#include "store/imap/Account.h"

namespace discovery {

// Signs an OAuth2 account in at its provider, as a desktop program does: the authorization page
// opens in the user's browser (the URL is handed out with openUrl), the provider sends the browser
// back to a listener on a free loopback port with an authorization code, and the code is
// exchanged for tokens together with the secret verifier whose hash the page was given (PKCE), so
// that a code caught on the way is of no use to anyone else. Runs in the event loop of the thread
// it lives in.
class OAuthSignIn : public QObject {
  Q_OBJECT

 public:
  explicit OAuthSignIn(store::imap::Account account, QObject* parent = nullptr);
  ~OAuthSignIn() override;

  // Listens, and hands out the authorization page's address. A sign-in under way is dropped.
  void Start();
  // The tokens got, once finished() said nothing went wrong.
  std::shared_ptr<OAuthTokens> Tokens() const { return tokens_; }

 Q_SIGNALS:
  void openUrl(const QUrl& url);
  // Empty when signed in, else why not, worded for the user.
  void finished(const QString& problem);

 private:
  void Answer();
  void Exchange(const QString& code);
  void Fail(const QString& problem);

  store::imap::Account account_;
  QTcpServer listener_;
  std::string verifier_;
  QString state_;
  QString redirect_;
  std::shared_ptr<OAuthTokens> tokens_;
};

}  // namespace discovery
