#include "discovery/TokenEndpoint.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace discovery {
namespace {

constexpr int kWaitMs = 30000;

QString Text(const QJsonObject& json, const char* key) { return json.value(key).toString(); }

}  // namespace

TokenGrant RequestTokens(const store::imap::OAuth2Client& client, QUrlQuery form) {
  form.addQueryItem("client_id", QString::fromStdString(client.clientId));
  if (!client.clientSecret.empty()) {
    form.addQueryItem("client_secret", QString::fromStdString(client.clientSecret));
  }
  QNetworkAccessManager network;
  QNetworkRequest request(QUrl(QString::fromStdString(client.tokenUrl)));
  request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
  request.setRawHeader("Accept", "application/json");
  request.setTransferTimeout(kWaitMs);
  const auto sent = std::chrono::steady_clock::now();
  // Every value percent-encoded, "+" too, which a form would read as a space.
  QByteArray body;
  for (const auto& [key, value] : form.queryItems(QUrl::FullyDecoded)) {
    body += (body.isEmpty() ? "" : "&") + QUrl::toPercentEncoding(key) + "=" +
            QUrl::toPercentEncoding(value);
  }
  QNetworkReply* reply = network.post(request, body);
  body.fill('\0');
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  const QByteArray answer = reply->readAll();
  const QNetworkReply::NetworkError failure = reply->error();
  const QString failureText = reply->errorString();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  reply->deleteLater();

  TokenGrant grant;
  const QJsonObject json = QJsonDocument::fromJson(answer).object();
  if (!Text(json, "error").isEmpty()) {
    // The server's own words: its description, and its error code after it.
    const QString description = Text(json, "error_description");
    grant.problem =
        ((description.isEmpty() ? "" : description + " ") + "(" + Text(json, "error") + ")")
            .toStdString();
  } else if (status == 0 && failure != QNetworkReply::NoError) {
    grant.problem = "it could not be reached: " + failureText.toStdString();
  } else if (Text(json, "access_token").isEmpty()) {
    grant.problem = "its answer held no access token (HTTP status " + std::to_string(status) + ")";
  } else {
    grant.accessToken = Text(json, "access_token").toStdString();
    grant.refreshToken = Text(json, "refresh_token").toStdString();
    // Without a lifetime, an hour, as the providers give.
    const int lifetime = json.value("expires_in").toInt(3600);
    grant.expires = sent + std::chrono::seconds(lifetime);
  }
  return grant;
}

TokenGrant RenewTokens(const store::imap::OAuth2Client& client, const std::string& refreshToken) {
  QUrlQuery form;
  form.addQueryItem("grant_type", "refresh_token");
  form.addQueryItem("refresh_token", QString::fromStdString(refreshToken));
  TokenGrant grant = RequestTokens(client, form);
  if (grant.problem.empty() && grant.refreshToken.empty()) grant.refreshToken = refreshToken;
  return grant;
}

}  // namespace discovery
