#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <string>

// The tests' own OAuth2 authorization server (authorization_server.py) on a free loopback port:
// it checks the PKCE verifier and issues access tokens for `user` that the test Dovecot takes
// (signed under `key`), good for `lifetime` seconds, and refresh tokens that renew them. It stops
// when this goes.
class AuthorizationServer {
 public:
  AuthorizationServer(const std::string& key, const std::string& user, int lifetime);
  ~AuthorizationServer();

  std::string url() const { return url_; }  // "http://127.0.0.1:<port>"
  // Refuses every refresh token from now on, as a provider does once the user revokes access.
  void Revoke();
  // Gives a new refresh token with each renewal from now on, refusing the one it replaced.
  void Rotate();

 private:
  std::string Command(const char* command);

  QProcess process_;
  std::string url_;
};

// Stands for the user's web browser: the program's desktop hands it the pages it opens (it
// replaces the desktop's handler for http while it lives). It notes each page and, as asked,
// follows it to the authorization server and the redirect back to the program, possibly with the
// PKCE challenge changed on the way, as a stranger who swapped it would; or leaves it unanswered,
// as a user who never signs in.
class Browser : public QObject {
  Q_OBJECT

 public:
  enum class Acts { Follow, SwapChallenge, Ignore };
  explicit Browser(Acts acts = Acts::Follow);
  ~Browser() override;

  Acts acts;
  int pagesToAnswer = -1;  // after so many pages it acts as Ignore; -1 for no end
  QStringList opened;    // the pages the program opened, in order
  QStringList followed;  // the redirects back to the program it followed

 public Q_SLOTS:
  void open(const QUrl& url);

 private:
  void Follow(const QUrl& url);
  QNetworkAccessManager network_;
};
