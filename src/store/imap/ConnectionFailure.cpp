#include "store/imap/ConnectionFailure.h"

#include <vmime/security/cert/certificateExpiredException.hpp>
#include <vmime/security/cert/certificateIssuerVerificationException.hpp>
#include <vmime/security/cert/certificateNotTrustedException.hpp>
#include <vmime/security/cert/certificateNotYetValidException.hpp>
#include <vmime/security/cert/serverIdentityException.hpp>

namespace store::imap {
namespace {

namespace cert = vmime::security::cert;
namespace ex = vmime::exceptions;

template <class T>
bool Is(const vmime::exception& error) {
  return dynamic_cast<const T*>(&error) != nullptr;
}

std::string CertificateProblem(const Account& account, const vmime::exception& error) {
  if (Is<cert::certificateNotTrustedException>(error)) {
    return "it was not issued by an authority this computer trusts";
  }
  if (Is<cert::serverIdentityException>(error)) {
    return "it was issued for another server than " + account.host;
  }
  if (Is<cert::certificateExpiredException>(error)) return "it has expired";
  if (Is<cert::certificateNotYetValidException>(error)) return "it is not valid yet";
  if (Is<cert::certificateIssuerVerificationException>(error)) {
    return "its chain of issuers does not hold together";
  }
  return error.what();
}

// The library's message, with the server's own words when it gave some.
std::string Details(const vmime::exception& error) {
  std::string text = error.what();
  for (const vmime::exception* cause = error.other(); cause; cause = cause->other()) {
    text += std::string(" ") + cause->what();
  }
  if (const auto* command = dynamic_cast<const ex::command_error*>(&error)) {
    if (!command->response().empty()) text += " (" + command->response() + ")";
  }
  if (const auto* auth = dynamic_cast<const ex::authentication_error*>(&error)) {
    if (!auth->response().empty()) text += " (" + auth->response() + ")";
  }
  return text;
}

// The library's wording of socket failures, made plain. The error number it attaches to a failed
// connect is not the connect's own, so that one is not repeated.
std::string SocketProblem(const vmime::exception& error) {
  const std::string what = error.what();
  if (what == "Error while connecting socket.") return "the connection was refused or timed out.";
  constexpr std::string_view kLookup = "request failed: ";
  if (auto at = what.find(kLookup); at != std::string::npos) {
    return "the name could not be looked up (" + what.substr(at + kLookup.size()) + ").";
  }
  return Details(error);
}

}  // namespace

std::string ConnectionFailure(const Account& account, const vmime::exception& error) {
  if (Is<cert::certificateException>(error)) {
    return "The server's certificate is not trusted: " + CertificateProblem(account, error) + ".";
  }
  if (Is<ex::authentication_error>(error)) return "The server refused the user name or password.";
  if (Is<ex::operation_timed_out>(error)) {
    return "The server " + account.Server() + " did not answer in time.";
  }
  if (const auto* command = dynamic_cast<const ex::command_error*>(&error)) {
    if (command->command() == "STARTTLS") {
      return "The server " + account.Server() +
             " does not offer STARTTLS, so the connection cannot be protected.";
    }
  }
  if (Is<ex::connection_error>(error)) {
    return "Cannot reach " + account.Server() + ": " + SocketProblem(error);
  }
  // Failures of a connection that was already made.
  if (Is<ex::socket_exception>(error) || Is<ex::system_error>(error) ||
      Is<ex::not_connected>(error)) {
    return "The connection to " + account.Server() + " broke off: " + Details(error);
  }
  if (Is<ex::tls_exception>(error)) {
    return "No secure connection to " + account.Server() + ": " + Details(error);
  }
  return "The server " + account.Server() + " failed: " + Details(error);
}

}  // namespace store::imap
