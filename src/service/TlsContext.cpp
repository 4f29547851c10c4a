#include "service/TlsContext.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <boost/asio/buffer.hpp>
#include <boost/asio/ssl/context.hpp>
#include <openssl/ssl.h>

namespace dravel {

namespace asio = boost::asio;

namespace {

// A certificate chain or a key is a few kilobytes.
constexpr std::size_t MaxPemBytes = 1 << 20;

struct TFileRole {
  const char* What;     // "certificate" or "key"
  const char* Setting;  // the settings value that names the file
};

constexpr TFileRole CertificateRole{"certificate", "WebServiceCert"};
constexpr TFileRole KeyRole{"key", "WebServiceKey"};

std::string Named(const TFileRole& Role, const std::string& Path) {
  return std::string("The web service ") + Role.What + " \"" + Path + "\" (" + Role.Setting + ")";
}

std::string ReadPem(const TFileRole& Role, const std::string& Path) {
  const auto Failed = [&](int Code) {
    return ETlsFiles(Named(Role, Path) + " could not be read: " + std::generic_category().message(Code));
  };
  const int File = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (File < 0) throw Failed(errno);
  std::string Text(MaxPemBytes + 1, '\0');
  std::size_t Size = 0;
  int Error = 0;
  while (Size < Text.size()) {
    const ssize_t Count = ::read(File, Text.data() + Size, Text.size() - Size);
    if (Count < 0 && errno == EINTR) continue;
    if (Count < 0) Error = errno;
    if (Count <= 0) break;
    Size += static_cast<std::size_t>(Count);
  }
  ::close(File);
  if (Error) throw Failed(Error);
  if (Size > MaxPemBytes) throw ETlsFiles(Named(Role, Path) + " is larger than 1 MiB");
  Text.resize(Size);
  return Text;
}

}  // namespace

std::unique_ptr<asio::ssl::context> ServerTlsContext(const TTlsFiles& Files) {
  const std::string CertificatePem = ReadPem(CertificateRole, Files.Certificate);
  const std::string KeyPem = ReadPem(KeyRole, Files.Key);

  auto Context = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
  SSL_CTX* const Native = Context->native_handle();
  // TLS 1.2 and 1.3 with OpenSSL's default ciphers; renegotiation and compression off.
  if (SSL_CTX_set_min_proto_version(Native, TLS1_2_VERSION) != 1) {
    throw ETlsFiles("TLS 1.2 is not available for the web service");
  }
  Context->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_compression |
                       SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
  // A connection waiting for its next request gives its record buffers back.
  SSL_CTX_set_mode(Native, SSL_MODE_RELEASE_BUFFERS);
  // Without this OpenSSL would ask for the passphrase of an encrypted key on the terminal.
  Context->set_password_callback([](std::size_t, asio::ssl::context::password_purpose) { return std::string(); });

  boost::system::error_code Error;
  // The key first: a certificate loaded after it drops a key that does not fit, which the
  // check below then names; a key loaded second would fail with a less telling reason.
  Context->use_private_key(asio::buffer(KeyPem), asio::ssl::context::pem, Error);
  if (Error) throw ETlsFiles(Named(KeyRole, Files.Key) + " is not a usable PEM private key: " + Error.message());
  Context->use_certificate_chain(asio::buffer(CertificatePem), Error);
  if (Error) {
    throw ETlsFiles(Named(CertificateRole, Files.Certificate) + " is not a usable PEM certificate: " +
                    Error.message());
  }
  if (SSL_CTX_check_private_key(Native) != 1) {
    throw ETlsFiles(Named(KeyRole, Files.Key) + " does not match the certificate \"" + Files.Certificate + "\"");
  }
  return Context;
}

}  // namespace dravel
