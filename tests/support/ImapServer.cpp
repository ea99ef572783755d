#include "ImapServer.h"

#include "ClosedPort.h"

#include <QByteArray>
#include <QDateTime>
#include <QMessageAuthenticationCode>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pwd.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDovecot = "/usr/sbin/dovecot";

// A loopback port nobody listens on right now.
int FreePort() { return ClosedPort().port(); }

// The first bytes the server sends on a new connection, or "" when it does not answer.
std::string Greeting(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  std::string text;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    timeval wait{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char buffer[256];
    ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got > 0) text.assign(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return text;
}

void Run(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
    throw std::runtime_error("failed: " + command);
  }
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

ImapServer::ImapServer(std::string maildir, std::string user, std::string password, bool tls,
                       std::optional<OAuth> oauth)
    : maildir_(std::move(maildir)), tls_(tls), oauth_(std::move(oauth)) {
  std::string pattern = (fs::temp_directory_path() / "orvane-dovecot-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  // Dovecot's login processes run as its own users and must reach their sockets in here.
  fs::permissions(dir_, fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
  imapPort_ = FreePort();
  do imapsPort_ = FreePort();
  while (imapsPort_ == imapPort_);

  MakeCertificates();
  WriteConfiguration(user, password);
  if (getuid() == 0) {
    // Dovecot refuses to serve mail as root; the mail user is nobody, who must own the mail.
    Run("chown -R 65534:65534 " + Quoted(maildir_));
    // Scratch directories are made for root alone; nobody must pass through them. Directories
    // outside the temporary one are left as they are.
    const fs::path temp = fs::canonical(fs::temp_directory_path());
    for (fs::path up = fs::canonical(maildir_).parent_path();
         up != temp && up.string().starts_with(temp.string() + "/"); up = up.parent_path()) {
      fs::permissions(up, fs::perms::others_exec, fs::perm_options::add);
    }
  }

  Start();
}

void ImapServer::Start() {
  if (pid_ > 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    // The server goes with the test, even one that crashes, and keeps off its output.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    setpgid(0, 0);  // its own group, so that stopping it cuts every client process off too
    int log = open((dir_ + "/dovecot.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    const std::string conf = dir_ + "/dovecot.conf";
    execl(kDovecot, kDovecot, "-F", "-c", conf.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid_ < 0) throw std::runtime_error("cannot start Dovecot");
  WaitForGreeting();
}

ImapServer::~ImapServer() {
  Stop();
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

void ImapServer::Stop() {
  if (pid_ <= 0) return;
  // The master's end does not end the processes serving clients at once; the group's does.
  kill(-pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (kill(-pid_, 0) == 0) {
    if (std::chrono::steady_clock::now() > deadline) kill(-pid_, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

std::size_t ImapServer::BytesSent() const {
  // Each session that logged in logs its end with the bytes it moved: "... Logged out in=12
  // out=345 ...", or "Disconnected: ..." with the same counts when the client went away.
  // Bytes sent before the last start are not counted.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    std::ifstream log(logFile());
    std::size_t logins = 0, ends = 0, sent = 0;
    for (std::string line; std::getline(log, line);) {
      // Sessions cut off by a stop log nothing more: count from the last start.
      if (line.find(" starting up ") != std::string::npos) logins = ends = sent = 0;
      if (line.find(" imap-login: ") != std::string::npos &&
          line.find(" Login: ") != std::string::npos) {
        ++logins;
      }
      const std::size_t out = line.find(" out=");
      if (line.find(" imap(") != std::string::npos && out != std::string::npos) {
        ++ends;
        sent += std::stoull(line.substr(out + 5));
      }
    }
    if (ends >= logins || std::chrono::steady_clock::now() > deadline) return sent;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void ImapServer::MakeCertificates() const {
  const std::string d = Quoted(dir_);
  const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
  Run("openssl req -x509" + key + " -days 2 -subj '/CN=Orvane Test CA' -keyout " + d +
      "/ca.key -out " + d + "/ca.crt");
  Run("openssl req" + key + " -subj /CN=localhost -keyout " + d + "/server.key -out " + d +
      "/server.csr");
  std::ofstream(dir_ + "/server.ext") << "subjectAltName=DNS:localhost,IP:127.0.0.1\n";
  Run("openssl x509 -req -days 2 -in " + d + "/server.csr -CA " + d + "/ca.crt -CAkey " + d +
      "/ca.key -CAcreateserial -extfile " + d + "/server.ext -out " + d + "/server.crt");
}

void ImapServer::WriteConfiguration(const std::string& user, const std::string& password) const {
  const bool root = getuid() == 0;
  std::string self = "root";
  if (const passwd* entry = getpwuid(getuid())) self = entry->pw_name;
  const std::string uid = root ? "65534" : std::to_string(getuid());
  const std::string gid = root ? "65534" : std::to_string(getgid());

  std::ofstream(dir_ + "/passwd") << user << ":{PLAIN}" << password << "\n";
  if (oauth_) {
    // Tokens are checked against the key kept under <issuer>/<algorithm>/<key id>, base64.
    fs::create_directories(dir_ + "/keys/default/HS256");
    std::ofstream(dir_ + "/keys/default/HS256/default")
        << QByteArray::fromStdString(oauth_->key).toBase64().toStdString();
    std::ofstream(dir_ + "/oauth2.conf")
        << "introspection_mode = local\n"
        << "local_validation_key_dict = fs:posix:prefix=" << dir_ << "/keys/\n"
        << "username_attribute = sub\n";
  }
  std::ofstream conf(dir_ + "/dovecot.conf");
  conf << "base_dir = " << dir_ << "/run\n"
       << "state_dir = " << dir_ << "/state\n"
       << "log_path = " << dir_ << "/dovecot.log\n"
       << "instance_name = orvane-test-" << imapPort_ << "\n"
       << "protocols = imap\n"
       << "listen = 127.0.0.1, 127.0.0.2\n"
       << "default_internal_user = " << (root ? "dovecot" : self) << "\n"
       << "default_login_user = " << (root ? "dovenull" : self) << "\n"
       << "ssl = " << (tls_ ? "yes" : "no") << "\n"
       << "ssl_cert = <" << dir_ << "/server.crt\n"
       << "ssl_key = <" << dir_ << "/server.key\n"
       << "disable_plaintext_auth = no\n"
       << "auth_mechanisms = " << (oauth_ ? oauth_->mechanisms : "plain login") << "\n"
       << "auth_failure_delay = 0\n"
       << "mail_location = maildir:" << maildir_ << "\n"
       << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << dir_ << "/passwd\n}\n"
       << (oauth_ ? "passdb {\n  driver = oauth2\n  mechanisms = xoauth2 oauthbearer\n  args = " +
                        dir_ + "/oauth2.conf\n}\n"
                  : "")
       << "userdb {\n  driver = static\n  args = uid=" << uid << " gid=" << gid << " home=" << dir_
       << "/home\n}\n"
       << "service imap-login {\n"
       << "  inet_listener imap {\n    port = " << imapPort_ << "\n  }\n"
       << (tls_ ? "  inet_listener imaps {\n    port = " + std::to_string(imapsPort_) +
                      "\n    ssl = yes\n  }\n"
                : "")
       << "}\n"
       << "service anvil {\n  chroot =\n}\n"
       << "service imap-login {\n  chroot =\n}\n";
}

void ImapServer::WaitForGreeting() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      std::ifstream log(dir_ + "/dovecot.log");
      std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
      throw std::runtime_error("Dovecot ended at start: " + text);
    }
    if (Greeting(imapPort_).starts_with("* OK")) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Stop();
  throw std::runtime_error("Dovecot did not greet within 15 s");
}

std::string AccessToken(const std::string& key, const std::string& user, long lifetime) {
  auto encoded = [](const QByteArray& bytes) {
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
  };
  const qint64 now = QDateTime::currentSecsSinceEpoch();
  const QByteArray signedPart =
      encoded(R"({"alg":"HS256","typ":"JWT","kid":"default"})") + "." +
      encoded(QByteArray::fromStdString(R"({"sub":")" + user + R"(","iat":)" + std::to_string(now) +
                                        R"(,"exp":)" + std::to_string(now + lifetime) + "}"));
  return (signedPart + "." +
          encoded(QMessageAuthenticationCode::hash(signedPart, QByteArray::fromStdString(key),
                                                   QCryptographicHash::Sha256)))
      .toStdString();
}
