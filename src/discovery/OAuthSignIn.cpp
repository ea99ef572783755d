#include "discovery/OAuthSignIn.h"

#include <string.h>

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QUrlQuery>

#include "discovery/TokenEndpoint.h"

namespace discovery {
namespace {

// Random bytes, base64url without padding: 32 bytes give a 43-character verifier.
QByteArray RandomText(int bytes) {
  QByteArray random(bytes, '\0');
  QRandomGenerator::system()->generate(random.begin(), random.end());
  return random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QString Hashed(const std::string& verifier) {
  return QString::fromLatin1(
      QCryptographicHash::hash(QByteArray::fromStdString(verifier), QCryptographicHash::Sha256)
          .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

const char kPage[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n\r\n"
    "<!DOCTYPE html><title>Orvane</title><p>%1</p>";

}  // namespace

OAuthSignIn::OAuthSignIn(store::imap::Account account, QObject* parent)
    : QObject(parent), account_(std::move(account)) {
  connect(&listener_, &QTcpServer::newConnection, this, &OAuthSignIn::Answer);
}

OAuthSignIn::~OAuthSignIn() { explicit_bzero(verifier_.data(), verifier_.size()); }

void OAuthSignIn::Start() {
  listener_.close();
  tokens_.reset();
  explicit_bzero(verifier_.data(), verifier_.size());
  verifier_ = RandomText(32).toStdString();
  state_ = QString::fromLatin1(RandomText(16));
  // Any free port on loopback: the providers take any port for a desktop program's redirect.
  if (!listener_.listen(QHostAddress::LocalHost, 0)) {
    return Fail("Orvane could not listen on a loopback port for the provider's answer: " +
                listener_.errorString());
  }
  redirect_ = QString("http://127.0.0.1:%1/").arg(listener_.serverPort());
  const store::imap::OAuth2Client& client = account_.oauth2;
  QUrl url(QString::fromStdString(client.authorizeUrl));
  QUrlQuery query(url);
  query.addQueryItem("response_type", "code");
  query.addQueryItem("client_id", QString::fromStdString(client.clientId));
  query.addQueryItem("redirect_uri", redirect_);
  query.addQueryItem("scope", QString::fromStdString(client.scope));
  query.addQueryItem("state", state_);
  query.addQueryItem("code_challenge", Hashed(verifier_));
  query.addQueryItem("code_challenge_method", "S256");
  query.addQueryItem("login_hint", QString::fromStdString(account_.user));
  // Google gives a refresh token only when asked for access while the user is away.
  if (client.provider == "google") query.addQueryItem("access_type", "offline");
  url.setQuery(query);
  Q_EMIT openUrl(url);
}

void OAuthSignIn::Answer() {
  QTcpSocket* socket = listener_.nextPendingConnection();
  if (!socket) return;
  connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
    // Only the request line matters: "GET /?code=...&state=... HTTP/1.1".
    if (!socket->canReadLine()) return;
    const QList<QByteArray> request = socket->readLine().trimmed().split(' ');
    const QUrl target(QString::fromLatin1(request.value(1)));
    const QUrlQuery answer(target);
    if (request.value(0) != "GET" || answer.queryItemValue("state") != state_) {
      // Not the provider's answer to this sign-in (a browser's second request, or a stranger's).
      socket->write("HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
      socket->disconnectFromHost();
      return;
    }
    listener_.close();
    const QString code = answer.queryItemValue("code", QUrl::FullyDecoded);
    const QString error = answer.queryItemValue("error", QUrl::FullyDecoded);
    const QString text =
        code.isEmpty() ? "Signing in did not succeed. You can close this page."
                       : "Orvane is signed in. You can close this page and go back to Orvane.";
    socket->write(QString(kPage).arg(text).toUtf8());
    socket->disconnectFromHost();
    if (code.isEmpty()) {
      const QString description = answer.queryItemValue("error_description", QUrl::FullyDecoded);
      return Fail("The provider did not let Orvane in: " +
                  (description.isEmpty() ? "" : description + " ") + "(" +
                  (error.isEmpty() ? "no code" : error) + ").");
    }
    // Exchanged once the socket's own signal is over: the exchange waits in an event loop, where
    // the socket may go.
    QMetaObject::invokeMethod(
        this, [this, code] { Exchange(code); }, Qt::QueuedConnection);
  });
}

void OAuthSignIn::Exchange(const QString& code) {
  QUrlQuery form;
  form.addQueryItem("grant_type", "authorization_code");
  form.addQueryItem("code", code);
  form.addQueryItem("redirect_uri", redirect_);
  form.addQueryItem("code_verifier", QString::fromStdString(verifier_));
  TokenGrant grant = RequestTokens(account_.oauth2, form);
  if (!grant.problem.empty()) {
    return Fail("The authorization server refused to give Orvane access: " +
                QString::fromStdString(grant.problem));
  }
  tokens_ = std::make_shared<OAuthTokens>(account_.oauth2, std::move(grant));
  Q_EMIT finished({});
}

void OAuthSignIn::Fail(const QString& problem) {
  listener_.close();
  Q_EMIT finished(problem);
}

}  // namespace discovery
