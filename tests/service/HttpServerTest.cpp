// The HTTP server over a real loopback socket: request rules, responses and limits.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "LoopbackClient.h"
#include "service/IndyApp.h"
#include "service/IndyHTTP.h"
#include "ServiceFixture.h"
#include "SoapMessages.h"

namespace dravel {
namespace {

using test::Exchange;
using test::TLoopbackClient;

// A server whose handler records what reached it and answers a fixed text.
class HttpServerTest : public ::testing::Test {
 protected:
  HttpServerTest() {
    const std::string Error = Server.Start(0);
    EXPECT_EQ(Error, "");
  }

  std::uint16_t Port() const { return Server.Port(); }

  std::mutex Lock;
  std::vector<THttpRequest> Seen;
  TIndyHTTPServer Server{[this](const THttpRequest& Request) {
    const std::lock_guard Guard(Lock);
    Seen.push_back(Request);
    return TWebResponse{200, "text/xml", "<ok/>"};
  }};
};

TEST_F(HttpServerTest, AnswersWithStatusLineServerTypeAndLengthThenCloses) {
  EXPECT_EQ(Exchange(Port(), "GET /wsdl HTTP/1.1\r\nHost: a:1\r\nAccept: */*\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/xml\r\nContent-Length: 5\r\nConnection: close\r\n\r\n<ok/>");
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Method, "GET");
  EXPECT_EQ(Seen[0].Target, "/wsdl");
  EXPECT_EQ(Seen[0].Host, "a:1");
}

TEST_F(HttpServerTest, HeadGetsTheHeadersOnly) {
  EXPECT_EQ(Exchange(Port(), "HEAD /wsdl HTTP/1.1\r\nHost: a\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/xml\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
}

TEST_F(HttpServerTest, OtherMethodsAndBrokenRequestLinesGetNoResponse) {
  EXPECT_EQ(Exchange(Port(), "PUT /soap/IVantorWS HTTP/1.1\r\nHost: a\r\nContent-Length: 2\r\n\r\nxx"), "");
  EXPECT_EQ(Exchange(Port(), "DELETE /x HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(Exchange(Port(), "get /x HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(Exchange(Port(), "NOSPACEHERE\r\n\r\n"), "");
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, BodyOfContentLengthBytes) {
  EXPECT_NE(Exchange(Port(), "POST /soap HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello"), "");
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Body, "hello");
}

TEST_F(HttpServerTest, PostWithoutContentLengthIsReadUntilTheClientCloses) {
  TLoopbackClient Client(Port());
  Client.Send("POST /soap HTTP/1.0\r\nHost: h\r\n\r\nfirst part ");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Client.Send("and the rest");
  Client.ShutdownWrite();
  EXPECT_NE(Client.ReadAll(), "");
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Body, "first part and the rest");
}

TEST_F(HttpServerTest, ChunkedBodiesAreAssembled) {
  EXPECT_NE(Exchange(Port(), "POST /soap HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"), "");
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Body, "abcde");
}

TEST_F(HttpServerTest, HeadersAboveSixteenKibibytesCloseWithoutResponse) {
  const std::string Big(17 * 1024, 'x');
  EXPECT_EQ(Exchange(Port(), "GET /wsdl HTTP/1.1\r\nX-Big: " + Big + "\r\n\r\n"), "");
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, BodyAboveOneMebibyteClosesWithoutResponse) {
  const std::string Body(1024 * 1024 + 1, 'b');
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.1\r\nContent-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body), "");
  TLoopbackClient Client(Port());
  Client.Send("POST /soap HTTP/1.0\r\n\r\n");
  Client.Send(Body);
  Client.ShutdownWrite();
  EXPECT_EQ(Client.ReadAll(), "");
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, RequestNotCompleteWithinTenSecondsIsDropped) {
  TLoopbackClient Client(Port());
  Client.Send("POST /soap HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(Client.ReadAll(), "");
  EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::seconds(9));
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, ConnectionsBeyondTheLimitAreClosedAtAccept) {
  std::vector<std::unique_ptr<TLoopbackClient>> Open;
  for (std::size_t I = 0; I < TIndyHTTPServer::MaxConnections; ++I) {
    Open.push_back(std::make_unique<TLoopbackClient>(Port()));
    ASSERT_TRUE(Open.back()->Connected());
    while (Server.OpenConnections() < I + 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  TLoopbackClient Extra(Port());
  Extra.Send("GET /wsdl HTTP/1.1\r\n\r\n");
  EXPECT_EQ(Extra.ReadAll(), "");
  Open.front()->Send("GET /wsdl HTTP/1.1\r\n\r\n");
  EXPECT_NE(Open.front()->ReadAll(), "");
  Open.clear();
  // Closed connections free their places.
  std::string Answer;
  for (int Attempt = 0; Attempt < 50 && Answer.empty(); ++Attempt) {
    Answer = Exchange(Port(), "GET /wsdl HTTP/1.1\r\n\r\n");
    if (Answer.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_NE(Answer, "");
}

TEST_F(HttpServerTest, StopEndsEveryConnectionAndStartAgainOnANewPort) {
  TLoopbackClient Idle(Port());
  Idle.Send("GET /wsdl HTTP/1.1\r\n");
  Server.Stop();
  EXPECT_FALSE(Server.Active());
  EXPECT_EQ(Idle.ReadAll(), "");
  ASSERT_EQ(Server.Start(0), "");
  EXPECT_NE(Exchange(Port(), "GET / HTTP/1.1\r\n\r\n"), "");
}

TEST_F(HttpServerTest, PortInUseCannotBeBound) {
  TIndyHTTPServer Other([](const THttpRequest&) { return TWebResponse{}; });
  EXPECT_EQ(Other.Start(Port()), "Could not bind socket. Address and port are already in use.");
  EXPECT_FALSE(Other.Active());
}

// The bridge and the web layer, through the whole server.
class WebApplicationTest : public ::testing::Test {
 protected:
  WebApplicationTest() { EXPECT_EQ(App.Start(0), ""); }
  ~WebApplicationTest() override {
    App.Stop();
    std::error_code Ignored;
    std::filesystem::remove_all(Folder, Ignored);
  }

  std::string Post(const std::string& Target, const std::string& Content) {
    return Exchange(App.Port(), "POST " + Target + " HTTP/1.1\r\nHost: h\r\nContent-Length: " +
                                    std::to_string(Content.size()) + "\r\n\r\n" + Content);
  }

  test::TPanelState Panel;
  const std::filesystem::path Folder =
      std::filesystem::path(::testing::TempDir()) / ("webapp_" + std::to_string(::getpid()));
  TWebApplication App{Panel.State, Folder / "a_WSDLADMIN.INI", Folder / "b_WSDLADMIN.INI"};
};

std::string HttpOk(const std::string& Type, const std::string& Content) {
  return "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: " + Type + "\r\nContent-Length: " +
         std::to_string(Content.size()) + "\r\nConnection: close\r\n\r\n" + Content;
}

TEST(ToWebRequestTest, QueryIsCutFromThePathAndAppendedToTheContent) {
  const TWebRequest Web = ToWebRequest({"POST", "/soap/IVantorWS?a=1&b=2?c", "h:1", "<x/>"});
  EXPECT_EQ(Web.PathInfo, "/soap/IVantorWS");
  EXPECT_EQ(Web.Host, "h:1");
  EXPECT_EQ(Web.Content, "<x/>\r\na=1&b=2?c");
  EXPECT_EQ(ToWebRequest({"GET", "/wsdl?", "", ""}).Content, "");
}

TEST_F(WebApplicationTest, SoapCallOverHttp) {
  Panel.Shell.Data.Marker = 'W';
  EXPECT_EQ(Post("/soap/IVantorWS", test::SoapRequest("<getversion/>")),
            HttpOk("text/xml", test::SoapResponse("GetVersion", "unsignedByte", "87")));
}

TEST_F(WebApplicationTest, QueryStringSpoilsTheSoapMessage) {
  EXPECT_EQ(Post("/soap/IVantorWS?x=1", test::SoapRequest("<GetVersion/>")),
            HttpOk("text/xml", test::InvokerFault("Extra content at the end of the document")));
}

TEST_F(WebApplicationTest, GetOnTheSoapPathIsAnEmptyPage) {
  EXPECT_EQ(Exchange(App.Port(), "GET /soap/IVantorWS HTTP/1.1\r\nHost: h\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n");
}

TEST_F(WebApplicationTest, MoreThanThirtyTwoRequestsInsideTheWebLayerGetStatus500) {
  Panel.Shell.Data.Marker = 'W';
  const std::string Call = test::SoapRequest("<GetVersion/>");
  std::vector<std::future<std::string>> Waiting;
  {
    // While the main thread holds the guard, every call waits inside the web layer.
    const std::lock_guard MainThread(Panel.Shell.Guard);
    for (int I = 0; I < TWebApplication::MaxActiveRequests; ++I) {
      Waiting.push_back(std::async(std::launch::async, [&] { return Post("/soap/IVantorWS", Call); }));
    }
    while (App.ActiveRequests() < TWebApplication::MaxActiveRequests) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string Message = "Maximum number of concurrent connections exceeded.  Please try again later";
    EXPECT_EQ(Post("/soap/IVantorWS", Call),
              "HTTP/1.1 500 Internal Server Error\r\nServer: Dravel/87\r\nContent-Type: text/html\r\n"
              "Content-Length: " + std::to_string(Message.size()) + "\r\nConnection: close\r\n\r\n" + Message);
  }
  for (auto& Answer : Waiting) {
    EXPECT_EQ(Answer.get(), HttpOk("text/xml", test::SoapResponse("GetVersion", "unsignedByte", "87")));
  }
  EXPECT_EQ(App.ActiveRequests(), 0);
}

}  // namespace
}  // namespace dravel
