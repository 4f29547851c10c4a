#pragma once
// The server side of TLS for the web service: the certificate chain and the private key
// read from PEM files and checked against each other, TLS 1.2 or later only.

#include <memory>
#include <stdexcept>
#include <string>

namespace boost::asio::ssl {
class context;
}

namespace dravel {

// Paths of the PEM files; the certificate file may hold the chain after the certificate.
struct TTlsFiles {
  std::string Certificate;
  std::string Key;
  bool operator==(const TTlsFiles&) const = default;
};

// A file that cannot be read or used; the text names the setting and the file.
class ETlsFiles : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws ETlsFiles. An encrypted key is refused rather than asked for a passphrase.
std::unique_ptr<boost::asio::ssl::context> ServerTlsContext(const TTlsFiles& Files);

}  // namespace dravel
