#pragma once

#include <memory>
#include <vector>

#include <vmime/security/cert/X509Certificate.hpp>

namespace store::imap {

using Certificates = std::vector<std::shared_ptr<vmime::security::cert::X509Certificate>>;

// The certificate authorities this computer trusts, as other programs find them: the file named
// by SSL_CERT_FILE, else the certificates in the directory SSL_CERT_DIR, else the system bundle.
// Certificates that cannot be read are left out; none found gives an empty list, and then no
// server is trusted.
Certificates TrustedAuthorities();

}  // namespace store::imap
