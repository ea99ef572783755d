#include "cli/TerminalPrompt.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/CommandLine.h"
#include "discovery/KeptSignIn.h"
#include "store/reading/FileReading.h"

namespace cli {

std::optional<std::string> TerminalPrompt::AskPassword(const std::string& account,
                                                       const std::string& server,
                                                       const std::string& problem) {
  if (!onlyAccount_.empty() && account != onlyAccount_) return std::nullopt;
  if (!problem.empty()) {
    std::fprintf(stderr, "orvane: %s on %s: %s\n", account.c_str(), server.c_str(),
                 problem.c_str());
    if (password_) return std::nullopt;  // the file's password would be refused again
  }
  if (password_) return password_;
  const store::reading::FileDescriptor tty(::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY));
  termios saved{};
  if (tty.get() < 0 || ::tcgetattr(tty.get(), &saved) != 0) {
    std::fprintf(stderr, "orvane: no terminal to ask the password of %s on %s: it is skipped\n",
                 account.c_str(), server.c_str());
    return std::nullopt;
  }
  const std::string question = "Password of " + account + " on " + server + ": ";
  (void)!::write(tty.get(), question.data(), question.size());
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(tty.get(), TCSAFLUSH, &quiet);
  std::string password;
  char c;
  ssize_t n;
  while ((n = ::read(tty.get(), &c, 1)) == 1 && c != '\n') password += c;
  ::tcsetattr(tty.get(), TCSAFLUSH, &saved);
  (void)!::write(tty.get(), "\n", 1);
  if (n != 1) return std::nullopt;  // end of input: the account is skipped
  return password;
}

std::shared_ptr<store::imap::AccessTokens> TerminalPrompt::SignIn(
    const store::imap::Account& account, const std::string& problem) {
  if (!onlyAccount_.empty() && account.name != onlyAccount_) return nullptr;
  const std::string name = account.name + " on " + account.Server();
  if (!problem.empty()) {
    // The server refused what the remembered sign-in gave: asking again would give the same.
    std::fprintf(stderr, "orvane: %s: %s\n", name.c_str(), problem.c_str());
    return nullptr;
  }
  std::string why;
  if (account.oauth2.remember) {
    discovery::KeptSignIn kept(account);
    if (auto tokens = discovery::SignInAsKept(account, kept, why)) return tokens;
    if (why.empty()) why = kept.Unavailable().toStdString();
    if (why.empty()) why = "No sign-in is remembered for it yet.";
  }
  std::fprintf(stderr,
               "orvane: %s: %s%sThe account signs in with OAuth2 in a web browser, which needs "
               "the window: sign in there once with \"remember = yes\" in the account's lines of "
               "the account file, and the command line signs in as remembered. It is left "
               "out.\n",
               name.c_str(), why.c_str(), why.empty() ? "" : " ");
  return nullptr;
}

std::string ReadPasswordFile(const std::string& path) {
  struct stat st;
  const store::reading::FileDescriptor file = store::reading::OpenForReading(path, &st);
  if (file.get() < 0) throw UsageError(path + ": " + std::strerror(errno));
  if ((st.st_mode & 077) != 0)
    throw UsageError(path + " may be read or changed by others than its owner: make it mode 0600");
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(file.get(), buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  text = text.substr(0, text.find('\n'));
  if (text.ends_with('\r')) text.pop_back();
  return text;
}

}  // namespace cli
