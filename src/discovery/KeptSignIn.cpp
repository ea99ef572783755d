#include "discovery/KeptSignIn.h"

#include <string.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <iostream>
#include <qt6keychain/keychain.h>

#include "discovery/TokenEndpoint.h"

namespace discovery {
namespace {

const QString kService = QStringLiteral("Orvane");

// Starts `job` and waits for it in an event loop of its own.
void Run(QKeychain::Job& job) {
  job.setAutoDelete(false);
  // Never a file of its own when the service is missing.
  job.setInsecureFallback(false);
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.start();
  loop.exec();
}

}  // namespace

KeptSignIn::KeptSignIn(const store::imap::Account& account)
    // One entry for each user, server and client: another client's token is of no use.
    : key_(QString::fromStdString("OAuth2 refresh token of " + account.user + " on " +
                                  account.Server() + " for " + account.oauth2.clientId)) {}

std::string KeptSignIn::Read() {
  QKeychain::ReadPasswordJob job(kService);
  job.setKey(key_);
  Run(job);
  if (job.error() == QKeychain::NoError) return job.textData().toStdString();
  if (job.error() != QKeychain::EntryNotFound) Failed(job.errorString());
  return {};
}

void KeptSignIn::Write(const std::string& refreshToken) {
  if (refreshToken.empty()) return;
  QKeychain::WritePasswordJob job(kService);
  job.setKey(key_);
  job.setTextData(QString::fromStdString(refreshToken));
  Run(job);
  if (job.error() != QKeychain::NoError) Failed(job.errorString());
}

void KeptSignIn::Failed(const QString& why) {
  unavailable_ = QStringLiteral(
                     "The desktop's secret service cannot be used (%1), so Orvane does not "
                     "remember this sign-in.")
                     .arg(why);
}

std::shared_ptr<OAuthTokens> SignInAsKept(const store::imap::Account& account, KeptSignIn& kept,
                                          std::string& refused) {
  std::string refresh = kept.Read();
  if (refresh.empty()) return nullptr;
  TokenGrant grant = RenewTokens(account.oauth2, refresh);
  std::shared_ptr<OAuthTokens> tokens;
  if (grant.problem.empty()) {
    // A server that gives a new refresh token with each renewal may refuse the old one next.
    if (grant.refreshToken != refresh) kept.Write(grant.refreshToken);
    tokens = KeepingRenewals(std::make_shared<OAuthTokens>(account.oauth2, std::move(grant)),
                             account);
  } else {
    refused = "The authorization server refused the sign-in Orvane remembered: " + grant.problem;
  }
  explicit_bzero(refresh.data(), refresh.size());
  return tokens;
}

std::shared_ptr<OAuthTokens> KeepingRenewals(std::shared_ptr<OAuthTokens> tokens,
                                             const store::imap::Account& account) {
  tokens->KeepRenewedRefreshTokens([account](const std::string& refresh) {
    auto token = std::make_shared<std::string>(refresh);
    auto keep = [account, token] {
      KeptSignIn kept(account);
      kept.Write(*token);
      explicit_bzero(token->data(), token->size());
      if (!kept.Unavailable().isEmpty()) {
        std::cerr << "orvane: " << account.name << ": " << kept.Unavailable().toStdString()
                  << "\n";
      }
    };
    if (QThread::currentThread() == qApp->thread()) keep();
    else QMetaObject::invokeMethod(qApp, keep, Qt::QueuedConnection);
  });
  return tokens;
}

}  // namespace discovery
