#include "store/imap/OAuthSasl.h"

#include <dlfcn.h>
#include <gsasl.h>
#include <string.h>

#include <algorithm>
#include <regex>

#include <vmime/security/sasl/SASLMechanismFactory.hpp>
#include <vmime/security/sasl/SASLSession.hpp>
#include <vmime/security/sasl/XOAuth2SASLMechanism.hpp>

namespace store::imap {
namespace {

namespace sasl = vmime::security::sasl;

// Hands a response to the library, which frees it with delete[].
void Respond(const std::string& text, vmime::byte_t** response, size_t* length) {
  *response = new vmime::byte_t[text.size()];
  std::copy(text.begin(), text.end(), *response);
  *length = text.size();
}

std::shared_ptr<OAuthAuthenticator> AuthenticatorOf(std::shared_ptr<sasl::SASLSession> session) {
  return std::dynamic_pointer_cast<OAuthAuthenticator>(session->getAuthenticator());
}

// A server that refuses a token says why in a challenge and waits for the client to end the
// exchange before it answers NO: the reason is noted and the exchange ended.
bool Refused(const std::shared_ptr<sasl::SASLSession>& session, const vmime::byte_t* challenge,
             size_t length, const std::string& ending, vmime::byte_t** response,
             size_t* responseLength) {
  if (auto authenticator = AuthenticatorOf(session)) {
    authenticator->NoteRefusal(std::string(reinterpret_cast<const char*>(challenge), length));
  }
  Respond(ending, response, responseLength);
  return true;
}

// The library's own XOAUTH2, but ending the exchange properly when the token is refused rather
// than sending the token again.
class XOAuth2Mechanism : public sasl::XOAuth2SASLMechanism {
 public:
  XOAuth2Mechanism(std::shared_ptr<sasl::SASLContext> context, const vmime::string& name)
      : XOAuth2SASLMechanism(std::move(context), name) {}

  bool step(std::shared_ptr<sasl::SASLSession> session, const vmime::byte_t* challenge,
            const size_t length, vmime::byte_t** response, size_t* responseLength) override {
    if (length > 0) return Refused(session, challenge, length, "", response, responseLength);
    return XOAuth2SASLMechanism::step(session, challenge, length, response, responseLength);
  }
};

// OAUTHBEARER: the GS2 header with the user name, then the server and the bearer token, each
// field ended by ^A. Nothing is wrapped once logged on.
class OAuthBearerMechanism : public sasl::SASLMechanism {
 public:
  OAuthBearerMechanism(std::shared_ptr<sasl::SASLContext>, const vmime::string&) {}

  const vmime::string getName() const override { return "OAUTHBEARER"; }

  bool step(std::shared_ptr<sasl::SASLSession> session, const vmime::byte_t* challenge,
            const size_t length, vmime::byte_t** response, size_t* responseLength) override {
    if (length > 0) return Refused(session, challenge, length, "\x01", response, responseLength);
    auto authenticator = session->getAuthenticator();
    std::string user;  // "," and "=" are escaped in the GS2 header
    for (char c : authenticator->getUsername()) {
      user += c == ',' ? "=2C" : c == '=' ? "=3D" : std::string(1, c);
    }
    std::string text = "n,a=" + user + ",\x01";
    if (auto oauth = AuthenticatorOf(session)) {
      text += "host=" + oauth->host() + "\x01port=" + std::to_string(oauth->port()) + "\x01";
    }
    text += "auth=Bearer " + authenticator->getAccessToken() + "\x01\x01";
    Respond(text, response, responseLength);
    explicit_bzero(text.data(), text.size());
    complete_ = true;
    return true;
  }
  bool isComplete() const override { return complete_; }
  bool hasInitialResponse() const override { return true; }
  void encode(std::shared_ptr<sasl::SASLSession>, const vmime::byte_t* input, const size_t length,
              vmime::byte_t** output, size_t* outputLength) override {
    Respond(std::string(reinterpret_cast<const char*>(input), length), output, outputLength);
  }
  void decode(std::shared_ptr<sasl::SASLSession> session, const vmime::byte_t* input,
              const size_t length, vmime::byte_t** output, size_t* outputLength) override {
    encode(session, input, length, output, outputLength);
  }

 private:
  bool complete_ = false;
};

}  // namespace

OAuthAuthenticator::OAuthAuthenticator(const Account& account)
    : host_(account.host), port_(account.EffectivePort()) {
  static std::once_flag once;
  std::call_once(once, [] {
    auto* factory = sasl::SASLMechanismFactory::getInstance();
    factory->registerMechanism<XOAuth2Mechanism>("XOAUTH2");
    factory->registerMechanism<OAuthBearerMechanism>("OAUTHBEARER");
  });
}

void OAuthAuthenticator::SetToken(std::string token) {
  std::lock_guard lock(mutex_);
  explicit_bzero(token_.data(), token_.size());
  token_ = std::move(token);
  refusal_.clear();
  offered_ = false;
}

bool OAuthAuthenticator::Offered() const {
  std::lock_guard lock(mutex_);
  return offered_;
}

std::string OAuthAuthenticator::Refusal() const {
  std::lock_guard lock(mutex_);
  return refusal_;
}

void OAuthAuthenticator::NoteRefusal(const std::string& challenge) {
  // The reason is the "status" of the JSON the server sends; the rest names the scope wanted.
  static const std::regex kStatus(R"re("status"\s*:\s*"([^"]*)")re");
  std::smatch status;
  std::lock_guard lock(mutex_);
  refusal_ = std::regex_search(challenge, status, kStatus) ? status[1].str() : challenge;
}

const vmime::string OAuthAuthenticator::getAccessToken() const {
  std::lock_guard lock(mutex_);
  return token_;
}

const std::vector<std::shared_ptr<sasl::SASLMechanism>> OAuthAuthenticator::getAcceptableMechanisms(
    const std::vector<std::shared_ptr<sasl::SASLMechanism>>& available,
    std::shared_ptr<sasl::SASLMechanism>) const {
  for (const char* preferred : {"OAUTHBEARER", "XOAUTH2"}) {
    for (const auto& mechanism : available) {
      if (mechanism->getName() != preferred) continue;
      std::lock_guard lock(mutex_);
      offered_ = true;
      return {mechanism};
    }
  }
  return {};
}

}  // namespace store::imap

// The library asks GNU SASL which of the server's mechanisms to use before it lets the
// authenticator choose, and gives up when GNU SASL suggests none. GNU SASL knows no OAuth
// mechanism, so a server that offers only those could never be logged on to. This takes the
// place of GNU SASL's suggestion (the program's own definition comes first when the library
// looks the function up) and suggests an OAuth mechanism when GNU SASL has nothing to suggest;
// the authenticator still decides what is used.
extern "C" const char* gsasl_client_suggest_mechanism(Gsasl* context, const char* mechanisms) {
  using Suggest = const char* (*)(Gsasl*, const char*);
  static const auto gnu =
      reinterpret_cast<Suggest>(dlsym(RTLD_NEXT, "gsasl_client_suggest_mechanism"));
  if (const char* suggested = gnu ? gnu(context, mechanisms) : nullptr) return suggested;
  std::string list = mechanisms ? mechanisms : "";
  for (const char* name : {"OAUTHBEARER", "XOAUTH2"}) {
    const std::regex word(std::string("(^|\\s)") + name + "(\\s|$)");
    if (std::regex_search(list, word)) return name;
  }
  return nullptr;
}
