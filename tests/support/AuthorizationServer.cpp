#include "AuthorizationServer.h"

#include <QDesktopServices>
#include <QNetworkReply>
#include <QTimer>
#include <QUrlQuery>
#include <stdexcept>

AuthorizationServer::AuthorizationServer(const std::string& key, const std::string& user,
                                         int lifetime) {
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start("python3", {ORVANE_TEST_DATA "/../support/authorization_server.py",
                             QString::fromStdString(key), QString::fromStdString(user),
                             QString::number(lifetime)});
  if (!process_.waitForReadyRead(15000)) throw std::runtime_error("no authorization server");
  url_ = "http://127.0.0.1:" + process_.readLine().trimmed().toStdString();
}

AuthorizationServer::~AuthorizationServer() {
  process_.kill();
  process_.waitForFinished();
}

std::string AuthorizationServer::Command(const char* command) {
  process_.write(QByteArray(command) + "\n");
  process_.waitForBytesWritten();
  while (!process_.canReadLine() && process_.waitForReadyRead(15000)) {
  }
  return process_.readLine().trimmed().toStdString();
}

void AuthorizationServer::Revoke() { Command("revoke"); }

void AuthorizationServer::Rotate() { Command("rotate"); }

Browser::Browser(Acts acts) : acts(acts) { QDesktopServices::setUrlHandler("http", this, "open"); }

Browser::~Browser() { QDesktopServices::unsetUrlHandler("http"); }

void Browser::open(const QUrl& page) {
  opened << page.toString();
  if (acts == Acts::Ignore || pagesToAnswer-- == 0) return;
  QUrl url = page;
  if (acts == Acts::SwapChallenge) {
    QUrlQuery query(url);
    query.removeQueryItem("code_challenge");
    query.addQueryItem("code_challenge", "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    url.setQuery(query);
  }
  // A person takes a moment to sign in: the sign-in dialog is on the screen, and the test has seen
  // it, before the answer comes (a timer due earlier fires first, however late the loop runs).
  QTimer::singleShot(50, this, [this, url] { Follow(url); });
}

void Browser::Follow(const QUrl& url) {
  // The authorization server answers with a redirect, which goes back to the program.
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  QNetworkReply* reply = network_.get(request);
  connect(reply, &QNetworkReply::finished, this, [this, reply] {
    reply->deleteLater();
    const QUrl back = reply->header(QNetworkRequest::LocationHeader).toUrl();
    if (!back.isValid()) return;
    followed << back.toString();
    network_.get(QNetworkRequest(back))->setParent(this);
  });
}
