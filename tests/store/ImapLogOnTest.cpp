// Opening an IMAP account: the connection is protected as the account says, the server's
// certificate is checked, and every refusal comes with a reason the user can act on.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ImapTesting.h"
#include "store/imap/Server.h"

using namespace imaptest;

namespace {

class ImapLogOn : public ImapTest {
 protected:
  void SetUp() override { StartServer(); }

  // Trust the system's authorities only, which never signed the test server's certificate.
  void TrustSystemOnly() { home.SetEnv("SSL_CERT_FILE", "/etc/ssl/certs/ca-certificates.crt"); }
};

constexpr const char* kUntrusted =
    "The server's certificate is not trusted: it was not issued by an authority this computer "
    "trusts.";

}  // namespace

TEST_F(ImapLogOn, OverTlsOrStartTlsTrustsACertificateOfAnAuthorityInTheTrustStore) {
  EXPECT_EQ(OpenFailure(AccountWith(Security::Tls)), "");
  EXPECT_EQ(OpenFailure(AccountWith(Security::StartTls)), "");
  // The authority found in a certificate directory instead of a bundle.
  home.Write("authorities/test-ca.pem", FileBytes(server->caFile()));
  home.SetEnv("SSL_CERT_FILE", std::nullopt);
  home.SetEnv("SSL_CERT_DIR", home / "authorities");
  EXPECT_EQ(OpenFailure(AccountWith(Security::Tls)), "");
}

TEST_F(ImapLogOn, RefusesACertificateNoTrustedAuthoritySignedOverTlsAndStartTls) {
  TrustSystemOnly();
  EXPECT_EQ(OpenFailure(AccountWith(Security::Tls)), kUntrusted);
  EXPECT_EQ(OpenFailure(AccountWith(Security::StartTls)), kUntrusted);
  home.SetEnv("SSL_CERT_FILE", home / "no-such-bundle.crt");
  EXPECT_EQ(OpenFailure(AccountWith(Security::Tls)), kUntrusted);
}

TEST_F(ImapLogOn, RefusesACertificateIssuedForAnotherServerName) {
  Account account = AccountWith(Security::Tls);
  account.host = "127.0.0.2";  // the same server, under an address its certificate does not name
  EXPECT_EQ(OpenFailure(account),
            "The server's certificate is not trusted: it was issued for another server than "
            "127.0.0.2.");
}

TEST_F(ImapLogOn, StartTlsIsNeverSkippedWhenTheServerDoesNotOfferIt) {
  server = std::make_unique<ImapServer>(maildir, kUser, kPassword, /*tls=*/false);
  const Account account = AccountWith(Security::StartTls);
  EXPECT_EQ(OpenFailure(account),
            "The server " + account.Server() +
                " does not offer STARTTLS, so the connection cannot be protected.");
}

TEST_F(ImapLogOn, WithoutProtectionOnlyWhenTheAccountSaysSo) {
  TrustSystemOnly();  // no certificate is looked at
  EXPECT_EQ(OpenFailure(AccountWith(Security::None)), "");
}

TEST_F(ImapLogOn, AWrongPasswordIsSaidAsSuch) {
  // Two tries: the server makes each further wrong try from one address wait longer.
  for (Security security : {Security::Tls, Security::None}) {
    EXPECT_EQ(OpenFailure(AccountWith(security), "wrong"),
              "The server refused the user name or password.");
  }
}

TEST_F(ImapLogOn, AServerThatIsNotThereOrStaysSilentIsSaidWithinTheTimeout) {
  Account account = AccountWith(Security::Tls);
  server->Stop();
  EXPECT_EQ(OpenFailure(account),
            "Cannot reach " + account.Server() + ": the connection was refused or timed out.");
  account.host = "no-such-host.invalid";
  EXPECT_EQ(OpenFailure(account).rfind(
                "Cannot reach " + account.Server() + ": the name could not be looked up (", 0),
            0u);
  account.host = "127.0.0.1";

  // Something that takes connections and never says a word.
  int silent = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(silent, 4), 0);
  ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size), 0);
  account.port = ntohs(address.sin_port);
  try {
    store::imap::Server(account, kPassword, std::chrono::milliseconds(300));
    ADD_FAILURE() << "a silent server was taken";
  } catch (const store::Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "The server " + account.Server() + " did not answer in time.");
  }
  close(silent);
}
