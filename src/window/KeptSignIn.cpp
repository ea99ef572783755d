#include "window/KeptSignIn.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace window {
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

}  // namespace window
