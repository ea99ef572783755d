#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>

// A real IMAP server for tests: Dovecot started on free loopback ports with a configuration, a
// user and (for TLS) a certificate authority and server certificate of its own, all written into
// a scratch directory. It serves one maildir tree (INBOX at its root, Maildir++ subfolders) for
// one user. No system-wide Dovecot is used or touched. The server stops when this goes.
class ImapServer {
 public:
  // Log-ons with OAuth2 access tokens as well as the password: JWTs signed with HMAC-SHA256 under
  // `key`, checked by the server itself, the user name in their "sub". `mechanisms` are all the
  // server offers ("xoauth2", "plain oauthbearer", ...).
  struct OAuth {
    std::string mechanisms;
    std::string key;
  };

  // Starts the server and waits for its greeting; throws std::runtime_error when it cannot.
  // Without `tls` it offers neither STARTTLS nor a TLS port, as some old servers do.
  ImapServer(std::string maildir, std::string user, std::string password, bool tls = true,
             std::optional<OAuth> oauth = std::nullopt);
  ~ImapServer();
  ImapServer(const ImapServer&) = delete;
  ImapServer& operator=(const ImapServer&) = delete;

  int imapPort() const { return imapPort_; }    // plain, STARTTLS offered
  int imapsPort() const { return imapsPort_; }  // TLS from the first byte
  // The certificate of the authority that signed the server's certificate (PEM).
  std::string caFile() const { return dir_ + "/ca.crt"; }
  const std::string& maildir() const { return maildir_; }
  std::string logFile() const { return dir_ + "/dovecot.log"; }

  // Stops the server at once, every process of it, and waits for them; its clients are cut off.
  void Stop();
  // Starts it again on the same ports, serving the same mail, and waits for its greeting.
  void Start();
  bool running() const { return pid_ > 0; }

  // The bytes the server has sent its clients over the sessions that have ended, as it counts
  // them (before TLS); waits, a few seconds at most, for the sessions that ended to be logged.
  std::size_t BytesSent() const;

 private:
  void MakeCertificates() const;
  void WriteConfiguration(const std::string& user, const std::string& password) const;
  void WaitForGreeting();

  std::string maildir_;
  bool tls_;
  std::optional<OAuth> oauth_;
  std::string dir_;
  int imapPort_ = 0;
  int imapsPort_ = 0;
  pid_t pid_ = -1;
};

// An access token for `user` that the server above takes until `lifetime` seconds from now: a
// JWT signed with HMAC-SHA256 under `key`.
std::string AccessToken(const std::string& key, const std::string& user, long lifetime);
