#include "store/imap/TrustedAuthorities.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace store::imap {
namespace {

constexpr const char* kSystemBundle = "/etc/ssl/certs/ca-certificates.crt";

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A bundle holds many PEM blocks; the library imports one certificate at a time.
void AddPemCertificates(std::string_view text, Certificates& into) {
  constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
  constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
  for (std::size_t begin = text.find(kBegin); begin != std::string_view::npos;
       begin = text.find(kBegin, begin + kBegin.size())) {
    const std::size_t end = text.find(kEnd, begin);
    if (end == std::string_view::npos) break;
    std::string_view block = text.substr(begin, end + kEnd.size() - begin);
    auto certificate = vmime::security::cert::X509Certificate::import(
        reinterpret_cast<const vmime::byte_t*>(block.data()), block.size());
    if (certificate) into.push_back(certificate);
  }
}

}  // namespace

Certificates TrustedAuthorities() {
  Certificates certificates;
  const char* file = std::getenv("SSL_CERT_FILE");
  const char* dir = std::getenv("SSL_CERT_DIR");
  if ((!file || !*file) && dir && *dir) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
      if (entry.is_regular_file(error)) AddPemCertificates(Contents(entry.path()), certificates);
    }
    return certificates;
  }
  AddPemCertificates(Contents(file && *file ? file : kSystemBundle), certificates);
  return certificates;
}

}  // namespace store::imap
