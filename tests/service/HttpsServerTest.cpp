// The HTTP server over TLS on a real loopback socket, with curl as the client: answers,
// kept connections, the protocol floor, clients that do not speak TLS, and files that
// cannot be used.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>

#include "LoopbackClient.h"
#include "ServiceFixture.h"
#include "TestCertificate.h"
#include "service/HttpLimits.h"
#include "service/IndyApp.h"
#include "service/IndyHTTP.h"

namespace dravel {
namespace {

using testing::CurlHttps;
using testing::TTestCertificate;

namespace asio = boost::asio;

// Each of Parts as a TLS record of its own, all held back until the last is written so
// that they travel together; the whole answer, read until the server closes.
std::string ExchangeInRecords(std::uint16_t Port, const std::string& Authority, const std::vector<std::string>& Parts) {
  asio::io_context Io;
  asio::ssl::context Context(asio::ssl::context::tls_client);
  Context.load_verify_file(Authority);
  Context.set_verify_mode(asio::ssl::verify_peer);
  asio::ssl::stream<asio::ip::tcp::socket> Stream(Io, Context);
  Stream.next_layer().connect({asio::ip::make_address("127.0.0.1"), Port});
  Stream.handshake(asio::ssl::stream_base::client);
  int Cork = 1;
  ::setsockopt(Stream.next_layer().native_handle(), IPPROTO_TCP, TCP_CORK, &Cork, sizeof Cork);
  for (const std::string& Part : Parts) asio::write(Stream, asio::buffer(Part));
  Cork = 0;
  ::setsockopt(Stream.next_layer().native_handle(), IPPROTO_TCP, TCP_CORK, &Cork, sizeof Cork);
  std::string Answer;
  boost::system::error_code Error;
  asio::read(Stream, asio::dynamic_buffer(Answer), Error);  // up to the close
  return Answer;
}

THttpLimits QuickLimits() {
  THttpLimits Limits;
  Limits.RequestTimeout = std::chrono::milliseconds(1500);
  Limits.IdleTimeout = std::chrono::milliseconds(1000);
  Limits.CloseGrace = std::chrono::milliseconds(200);
  return Limits;
}

// The answer tells the size of the body that came and whether it came over TLS.
class HttpsServerTest : public ::testing::Test {
 protected:
  HttpsServerTest() : Server(Record(), QuickLimits()) {
    Server.SetTls(TTlsFiles{Certificate.Certificate(), Certificate.Key()});
    EXPECT_EQ(Server.Start(0), "");
  }

  TIndyHTTPServer::THandler Record() {
    return [this](const THttpRequest& Request) {
      const std::lock_guard Guard(Lock);
      Seen.push_back(Request);
      return TWebResponse{200, "text/plain",
                          std::string(Request.OverTls ? "tls " : "plain ") + std::to_string(Request.Body.size())};
    };
  }

  bool WaitForOpen(std::size_t Count) {
    for (int Wait = 0; Wait < 5000 && Server.OpenConnections() != Count; ++Wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return Server.OpenConnections() == Count;
  }

  TTestCertificate Certificate;
  std::mutex Lock;
  std::vector<THttpRequest> Seen;
  TIndyHTTPServer Server;
};

TEST_F(HttpsServerTest, AnswersOverTlsAndKeepsTheConnectionForTheNextRequest) {
  // Two addresses in one run: curl reuses the connection when the server keeps it.
  const std::string Port = std::to_string(Server.Port());
  const auto Run = CurlHttps(Certificate, Server.Port(), "/first",
                             "-w ' %{num_connects}\\n' 'https://localhost:" + Port + "/second'");
  ASSERT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Output, "tls 0 1\ntls 0 0\n");
  const std::lock_guard Guard(Lock);
  ASSERT_EQ(Seen.size(), 2u);
  EXPECT_EQ(Seen[0].Target, "/second");  // curl takes the options' address first
  EXPECT_EQ(Seen[1].Target, "/first");
  EXPECT_TRUE(Seen[0].OverTls);
  EXPECT_TRUE(Seen[0].KeepAlive);
}

TEST_F(HttpsServerTest, ABodyOfManyRecordsArrivesWhole) {
  // Far more than one TLS record, so that decoded bytes wait inside the TLS layer.
  const std::filesystem::path Body = Certificate.Folder() / "body.bin";
  std::ofstream(Body, std::ios::binary) << std::string(300000, 'x');
  const auto Run = CurlHttps(Certificate, Server.Port(), "/post", "--data-binary '@" + Body.string() + "'");
  ASSERT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Output, "tls 300000");
}

TEST_F(HttpsServerTest, ARequestWhoseEndWaitsDecodedInTheTlsLayerIsServed) {
  // The header and the body in two records that arrive at once: the first read gives the
  // header only, and the socket then has nothing more to tell.
  const std::string Answer = ExchangeInRecords(
      Server.Port(), Certificate.Certificate(),
      {"POST /p HTTP/1.1\r\nHost: localhost\r\nContent-Length: 5\r\nConnection: close\r\n\r\n", "hello"});
  EXPECT_EQ(Answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << Answer;
  EXPECT_NE(Answer.find("\r\n\r\ntls 5"), std::string::npos) << Answer;
}

TEST_F(HttpsServerTest, RefusesAClientThatOffersNothingAboveTls11) {
  // The same client succeeds once TLS 1.2 is within its range, so the refusal is the server's.
  const std::string Old = "--ciphers DEFAULT@SECLEVEL=0 --tlsv1 ";
  EXPECT_NE(CurlHttps(Certificate, Server.Port(), "/", Old + "--tls-max 1.1").Status, 0);
  EXPECT_EQ(CurlHttps(Certificate, Server.Port(), "/", Old + "--tls-max 1.2").Output, "tls 0");
  const std::lock_guard Guard(Lock);
  EXPECT_EQ(Seen.size(), 1u);
}

TEST_F(HttpsServerTest, PlainHttpAndBrokenHandshakesAreClosedWithoutAnAnswer) {
  const std::string Plain = test::Exchange(Server.Port(), "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n");
  EXPECT_EQ(Plain.find("HTTP/"), std::string::npos);
  // A TLS record header that promises a hello and brings rubbish.
  const std::string Broken = test::Exchange(Server.Port(), std::string("\x16\x03\x01\x00\x08rubbish!", 13));
  EXPECT_EQ(Broken.find("HTTP/"), std::string::npos);
  EXPECT_TRUE(WaitForOpen(0));
  // And the server serves the next caller as before.
  EXPECT_EQ(CurlHttps(Certificate, Server.Port(), "/").Output, "tls 0");
  const std::lock_guard Guard(Lock);
  EXPECT_EQ(Seen.size(), 1u);
}

TEST_F(HttpsServerTest, ASilentClientIsClosedWithinTheRequestTime) {
  test::TLoopbackClient Silent(Server.Port());
  ASSERT_TRUE(Silent.Connected());
  ASSERT_TRUE(WaitForOpen(1));
  const auto Before = std::chrono::steady_clock::now();
  EXPECT_EQ(Silent.ReadAll(), "");
  EXPECT_LT(std::chrono::steady_clock::now() - Before, std::chrono::seconds(5));
  EXPECT_TRUE(WaitForOpen(0));
}

// The handshake has a shorter limit of its own than the request: a client that opens the
// connection and never says hello is gone long before the request's time is up.
TEST(HttpsHandshakeTest, AHandshakeNotDoneInItsTimeIsClosed) {
  TTestCertificate Certificate;
  THttpLimits Limits;
  Limits.RequestTimeout = std::chrono::seconds(30);
  Limits.HandshakeTimeout = std::chrono::milliseconds(300);
  TIndyHTTPServer Server([](const THttpRequest&) { return TWebResponse(200, "text/plain", "ok"); }, Limits);
  Server.SetTls(TTlsFiles{Certificate.Certificate(), Certificate.Key()});
  ASSERT_EQ(Server.Start(0), "");
  test::TLoopbackClient Silent(Server.Port());
  ASSERT_TRUE(Silent.Connected());
  const auto Before = std::chrono::steady_clock::now();
  EXPECT_EQ(Silent.ReadAll(), "");
  EXPECT_LT(std::chrono::steady_clock::now() - Before, std::chrono::seconds(10));
  // A client that does finish its handshake is still served.
  const auto Run = CurlHttps(Certificate, Server.Port(), "/");
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Output, "ok");
}

TEST_F(HttpsServerTest, StopEndsConnectionsInTheHandshake) {
  test::TLoopbackClient Silent(Server.Port());
  ASSERT_TRUE(WaitForOpen(1));
  Server.Stop();
  EXPECT_EQ(Server.OpenConnections(), 0u);
  EXPECT_FALSE(Server.Active());
}

// Files that cannot be used stop the start with a text naming the value and the file.
class HttpsFilesTest : public ::testing::Test {
 protected:
  std::string StartWith(const std::string& CertificatePath, const std::string& KeyPath) {
    Server.SetTls(TTlsFiles{CertificatePath, KeyPath});
    return Server.Start(0);
  }
  std::string Write(const std::string& Name, const std::string& Text) {
    const std::filesystem::path Path = Certificate.Folder() / Name;
    std::ofstream(Path, std::ios::binary) << Text;
    return Path.string();
  }

  TTestCertificate Certificate;
  TIndyHTTPServer Server{[](const THttpRequest&) { return TWebResponse{}; }};
};

TEST_F(HttpsFilesTest, AMissingFileIsNamedWithTheSystemsReason) {
  const std::string Missing = (Certificate.Folder() / "none.pem").string();
  EXPECT_EQ(StartWith(Missing, Certificate.Key()),
            "The web service certificate \"" + Missing + "\" (WebServiceCert) could not be read: No such file or directory");
  EXPECT_FALSE(Server.Active());
  EXPECT_EQ(StartWith(Certificate.Certificate(), Missing),
            "The web service key \"" + Missing + "\" (WebServiceKey) could not be read: No such file or directory");
  EXPECT_FALSE(Server.Active());
  const std::string Folder = Certificate.Folder().string();
  EXPECT_EQ(StartWith(Folder, Certificate.Key()),
            "The web service certificate \"" + Folder + "\" (WebServiceCert) could not be read: Is a directory");
}

TEST_F(HttpsFilesTest, RubbishInsteadOfPemIsNamed) {
  const std::string Rubbish = Write("rubbish.pem", "-----BEGIN CERTIFICATE-----\nnot base64 at all\n");
  const std::string Error = StartWith(Rubbish, Certificate.Key());
  EXPECT_EQ(Error.rfind("The web service certificate \"" + Rubbish + "\" (WebServiceCert) is not a usable PEM certificate: ", 0), 0u)
      << Error;
  EXPECT_FALSE(Server.Active());
  const std::string KeyError = StartWith(Certificate.Certificate(), Write("key.txt", "hello"));
  EXPECT_NE(KeyError.find("(WebServiceKey) is not a usable PEM private key: "), std::string::npos) << KeyError;
  EXPECT_FALSE(Server.Active());
}

TEST_F(HttpsFilesTest, AKeyOfAnotherCertificateIsRefused) {
  const TTestCertificate Other;
  EXPECT_EQ(StartWith(Certificate.Certificate(), Other.Key()),
            "The web service key \"" + Other.Key() + "\" (WebServiceKey) does not match the certificate \"" +
                Certificate.Certificate() + "\"");
  EXPECT_FALSE(Server.Active());
}

TEST_F(HttpsFilesTest, AnEncryptedKeyIsRefusedWithoutAskingForItsPassphrase) {
  const std::string Encrypted = (Certificate.Folder() / "encrypted.pem").string();
  ASSERT_EQ(testing::RunCommand("openssl pkey -in '" + Certificate.Key() + "' -aes128 -passout pass:secret -out '" +
                                Encrypted + "' </dev/null 2>/dev/null")
                .Status,
            0);
  const std::string Error = StartWith(Certificate.Certificate(), Encrypted);
  EXPECT_NE(Error.find("(WebServiceKey) is not a usable PEM private key"), std::string::npos) << Error;
  EXPECT_FALSE(Server.Active());
  // The right files start it afterwards.
  EXPECT_EQ(StartWith(Certificate.Certificate(), Certificate.Key()), "");
  EXPECT_TRUE(Server.Active());
}

// The web service over TLS sends its callers to https addresses.
TEST(HttpsWebServiceTest, TheWsdlAndTheListingNameHttpsAddresses) {
  const TTestCertificate Certificate;
  test::TPanelState Panel;
  TWebApplication Application(Panel.State, Certificate.Folder() / "dravel_WSDLADMIN.INI",
                              Certificate.Folder() / "settings" / "dravel_WSDLADMIN.INI");
  Application.SetTls(TTlsFiles{Certificate.Certificate(), Certificate.Key()});
  ASSERT_EQ(Application.Start(0), "");
  const std::string Port = std::to_string(Application.Port());
  const auto Wsdl = CurlHttps(Certificate, Application.Port(), "/wsdl/IVantorWS");
  ASSERT_EQ(Wsdl.Status, 0);
  EXPECT_NE(Wsdl.Output.find("location=\"https://localhost:" + Port + "/soap/IVantorWS\""), std::string::npos)
      << Wsdl.Output;
  const auto Listing = CurlHttps(Certificate, Application.Port(), "/wsdl");
  EXPECT_NE(Listing.Output.find("https://localhost:" + Port + "/wsdl/IVantorWS"), std::string::npos) << Listing.Output;
  EXPECT_EQ(Listing.Output.find("http://localhost"), std::string::npos);
  // A SOAP call over the same scheme.
  const auto Call = CurlHttps(Certificate, Application.Port(), "/soap/IVantorWS",
                              "-H 'SOAPAction: \"urn:VantorIntf-IVantorWS#GetVersion\"' -H 'Content-Type: text/xml'"
                              " --data-binary '<?xml version=\"1.0\"?><soap:Envelope "
                              "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                              "<GetVersion xmlns=\"urn:VantorIntf-IVantorWS\"/></soap:Body></soap:Envelope>'");
  EXPECT_NE(Call.Output.find("GetVersionResponse"), std::string::npos) << Call.Output;
}

}  // namespace
}  // namespace dravel
