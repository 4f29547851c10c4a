// The HTTP server over a real loopback socket: request rules, responses, kept
// connections and limits.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "service/HttpLimits.h"
#include "ServiceFixture.h"
#include "SoapMessages.h"

namespace dravel {
namespace {

using test::Exchange;
using test::TLoopbackClient;

// Short waits, so the timeouts show within a test's time.
THttpLimits QuickLimits() {
  THttpLimits Limits;
  Limits.RequestTimeout = std::chrono::milliseconds(400);
  Limits.IdleTimeout = std::chrono::milliseconds(300);
  Limits.CloseGrace = std::chrono::milliseconds(200);
  return Limits;
}

// A server whose handler records what reached it and answers a fixed text ("/empty":
// no content).
class HttpServerTest : public ::testing::Test {
 protected:
  explicit HttpServerTest(THttpLimits Limits = QuickLimits()) : Server(Record(), Limits) {
    const std::string Error = Server.Start(0);
    EXPECT_EQ(Error, "");
  }

  TIndyHTTPServer::THandler Record() {
    return [this](const THttpRequest& Request) {
      const std::lock_guard Guard(Lock);
      Seen.push_back(Request);
      if (Request.Target == "/empty") return TWebResponse{200, "text/html", ""};
      return TWebResponse{200, "text/xml", "<ok/>"};
    };
  }

  std::uint16_t Port() const { return Server.Port(); }
  std::size_t SeenCount() {
    const std::lock_guard Guard(Lock);
    return Seen.size();
  }
  void WaitForOpen(std::size_t Count) {
    for (int Wait = 0; Wait < 2000 && Server.OpenConnections() != Count; ++Wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(Server.OpenConnections(), Count);
  }

  std::mutex Lock;
  std::vector<THttpRequest> Seen;
  TIndyHTTPServer Server;
};

const std::string OkKept =
    "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/xml\r\nContent-Length: 5\r\nConnection: keep-alive\r\n\r\n<ok/>";
const std::string OkClosed =
    "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/xml\r\nContent-Length: 5\r\nConnection: close\r\n\r\n<ok/>";

std::string Refusal(const std::string& StatusLine, const std::string& Reason) {
  return "HTTP/1.1 " + StatusLine + "\r\nServer: Dravel/87\r\nContent-Type: text/plain\r\nContent-Length: " +
         std::to_string(Reason.size() + 1) + "\r\nConnection: close\r\n\r\n" + Reason + "\n";
}

TEST_F(HttpServerTest, AnswersWithStatusLineServerTypeAndLengthThenCloses) {
  EXPECT_EQ(Exchange(Port(), "GET /wsdl HTTP/1.1\r\nHost: a:1\r\nAccept: */*\r\nConnection: close\r\n\r\n"), OkClosed);
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Method, "GET");
  EXPECT_EQ(Seen[0].Target, "/wsdl");
  EXPECT_EQ(Seen[0].Host, "a:1");
}

TEST_F(HttpServerTest, HeadGetsTheHeadersOnly) {
  EXPECT_EQ(Exchange(Port(), "HEAD /wsdl HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/xml\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
}

TEST_F(HttpServerTest, OtherMethodsAndBrokenRequestLinesGetNoResponse) {
  EXPECT_EQ(Exchange(Port(), "PUT /soap/IVantorWS HTTP/1.1\r\nHost: a\r\nContent-Length: 2\r\n\r\nxx"), "");
  EXPECT_EQ(Exchange(Port(), "DELETE /x HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(Exchange(Port(), "get /x HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(Exchange(Port(), "NOSPACEHERE\r\n\r\n"), "");
  // Whatever else is wrong with them.
  EXPECT_EQ(Exchange(Port(), "PUT /x HTTP/x.y\r\n\r\n"), "");
  EXPECT_EQ(Exchange(Port(), "DELETE /x HTTP/1.1\r\nContent-Length: q\r\n\r\n"), "");
  EXPECT_EQ(Exchange(Port(), "OPTIONS /x HTTP/1.1\r\nX: " + std::string(17 * 1024, 'x') + "\r\n\r\n"), "");
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, MalformedRequestsOfServedMethodsGetStatus400) {
  const std::string BadRequest = Refusal("400 Bad Request", "Malformed request");
  EXPECT_EQ(Exchange(Port(), "GET /x HTTP/x.y\r\n\r\n"), BadRequest);
  EXPECT_EQ(Exchange(Port(), "GET /x\r\n\r\n"), BadRequest);
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.1\r\nContent-Length: 12x\r\n\r\nxx"), BadRequest);
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nxx"), BadRequest);
  EXPECT_EQ(Exchange(Port(), "HEAD /wsdl HTTP/1.1\r\nNo colon in this line\r\n\r\n"), BadRequest);
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, BodyOfContentLengthBytes) {
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.1\r\nConnection: close\r\nContent-Length: 5\r\n\r\nhello"), OkClosed);
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Body, "hello");
}

TEST_F(HttpServerTest, PostWithoutContentLengthIsReadUntilTheClientCloses) {
  TLoopbackClient Client(Port());
  Client.Send("POST /soap HTTP/1.0\r\nHost: h\r\n\r\nfirst part ");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Client.Send("and the rest");
  Client.ShutdownWrite();
  EXPECT_EQ(Client.ReadAll(), OkClosed);
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Body, "first part and the rest");
}

TEST_F(HttpServerTest, ABodyWaitingForTheGoAheadGetsContinueFirst) {
  TLoopbackClient Client(Port());
  Client.Send("POST /soap HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\n");
  EXPECT_EQ(Client.ReadResponse(), "HTTP/1.1 100 Continue\r\n\r\n");
  Client.Send("hello");
  EXPECT_EQ(Client.ReadResponse(), OkKept);
  // Not asked for, or the body already there: no interim answer.
  Client.Send("POST /soap HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\nxy");
  EXPECT_EQ(Client.ReadResponse(), OkKept);
  ASSERT_EQ(SeenCount(), 2u);
  EXPECT_EQ(Seen[0].Body, "hello");
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.0\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\nab"),
            OkClosed);
}

TEST_F(HttpServerTest, ChunkedBodiesAreAssembled) {
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.1\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"),
            OkClosed);
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Body, "abcde");
}

TEST_F(HttpServerTest, HeadersAboveSixteenKibibytesGetStatus431) {
  const std::string Big(17 * 1024, 'x');
  EXPECT_EQ(Exchange(Port(), "GET /wsdl HTTP/1.1\r\nX-Big: " + Big + "\r\n\r\n"),
            Refusal("431 Request Header Fields Too Large", "Request header larger than 16 KiB"));
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, BodyAboveOneMebibyteGetsStatus413) {
  const std::string TooLarge = Refusal("413 Payload Too Large", "Request body larger than 1 MiB");
  const std::string Body(1024 * 1024 + 1, 'b');
  // Told by Content-Length: refused before the body comes.
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.1\r\nContent-Length: " + std::to_string(Body.size()) + "\r\n\r\n"),
            TooLarge);
  EXPECT_EQ(Exchange(Port(), "POST /soap HTTP/1.1\r\nContent-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body),
            TooLarge);
  TLoopbackClient Client(Port());
  Client.Send("POST /soap HTTP/1.0\r\n\r\n");
  Client.Send(Body);
  Client.ShutdownWrite();
  EXPECT_EQ(Client.ReadAll(), TooLarge);
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HttpServerTest, RequestNotCompleteInTimeGetsStatus408) {
  TLoopbackClient Client(Port());
  Client.Send("POST /soap HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(Client.ReadAll(), Refusal("408 Request Timeout", "Request not complete within the time allowed"));
  EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(300));
  EXPECT_TRUE(Seen.empty());
  // A connection that never sends a byte is closed without an answer.
  TLoopbackClient Silent(Port());
  EXPECT_EQ(Silent.ReadAll(), "");
}

TEST(HttpLimitsTest, DefaultsAndTheConnectionsADescriptorBudgetAllows) {
  const THttpLimits Limits;
  EXPECT_EQ(Limits.RequestTimeout, std::chrono::seconds(10));
  EXPECT_EQ(Limits.IdleTimeout, std::chrono::seconds(5));
  EXPECT_EQ(Limits.MaxRequestsPerConnection, 1000u);
  EXPECT_EQ(Limits.BodyBudget, 32u << 20);
  EXPECT_GT(Limits.Workers, static_cast<std::size_t>(TWebApplication::MaxActiveRequests));
  EXPECT_LE(Limits.IoThreads, std::max(std::thread::hardware_concurrency(), 1u));
  EXPECT_EQ(ConnectionsForOpenFiles(1024), 768u);
  EXPECT_EQ(ConnectionsForOpenFiles(65536), 49152u);
  EXPECT_EQ(ConnectionsForOpenFiles(200), 100u);
}

TEST_F(HttpServerTest, KeptConnectionServesRequestsUntilTheClientAsksToClose) {
  TLoopbackClient Client(Port());
  Client.Send("GET /wsdl HTTP/1.1\r\nHost: a\r\n\r\n");
  EXPECT_EQ(Client.ReadResponse(), OkKept);
  Client.Send("POST /soap HTTP/1.1\r\nHost: a\r\nContent-Length: 2\r\n\r\nxy");
  EXPECT_EQ(Client.ReadResponse(), OkKept);
  Client.Send("GET /wsdl HTTP/1.1\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(Client.ReadAll(), OkClosed);
  ASSERT_EQ(SeenCount(), 3u);
  EXPECT_EQ(Seen[1].Body, "xy");
}

TEST_F(HttpServerTest, Http10KeepsTheConnectionOnlyWhenAsked) {
  TLoopbackClient Client(Port());
  Client.Send("GET /wsdl HTTP/1.0\r\nConnection: keep-alive\r\n\r\n");
  EXPECT_EQ(Client.ReadResponse(), OkKept);
  Client.Send("GET /wsdl HTTP/1.0\r\n\r\n");
  EXPECT_EQ(Client.ReadAll(), OkClosed);
}

TEST_F(HttpServerTest, RequestsSentAheadAreAnsweredInOrder) {
  TLoopbackClient Client(Port());
  Client.Send("GET /a HTTP/1.1\r\n\r\nGET /b HTTP/1.1\r\n\r\nGET /c HTTP/1.1\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(Client.ReadAll(), OkKept + OkKept + OkClosed);
  ASSERT_EQ(SeenCount(), 3u);
  EXPECT_EQ(Seen[2].Target, "/c");
}

TEST_F(HttpServerTest, AnswerWithoutContentClosesTheConnection) {
  TLoopbackClient Client(Port());
  Client.Send("GET /empty HTTP/1.1\r\n\r\n");
  EXPECT_EQ(Client.ReadAll(), "HTTP/1.1 200 OK\r\nServer: Dravel/87\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n");
}

TEST_F(HttpServerTest, KeptConnectionIdleTooLongIsClosed) {
  TLoopbackClient Client(Port());
  Client.Send("GET /wsdl HTTP/1.1\r\n\r\n");
  EXPECT_EQ(Client.ReadResponse(), OkKept);
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(Client.ReadAll(), "");
  const auto Waited = std::chrono::steady_clock::now() - Start;
  EXPECT_GE(Waited, std::chrono::milliseconds(250));
  EXPECT_LT(Waited, std::chrono::seconds(5));
}

// A server with the quick limits, changed by Adjust.
template <void (*Adjust)(THttpLimits&)>
class HttpServerWith : public HttpServerTest {
 protected:
  HttpServerWith() : HttpServerTest(Adjusted()) {}
  static THttpLimits Adjusted() {
    THttpLimits Limits = QuickLimits();
    Adjust(Limits);
    return Limits;
  }
};

void ThreeRequests(THttpLimits& Limits) { Limits.MaxRequestsPerConnection = 3; }
using HttpRequestLimitTest = HttpServerWith<ThreeRequests>;

TEST_F(HttpRequestLimitTest, ConnectionClosesAfterItsLastAllowedRequest) {
  TLoopbackClient Client(Port());
  for (int I = 0; I < 2; ++I) {
    Client.Send("GET /wsdl HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Client.ReadResponse(), OkKept);
  }
  Client.Send("GET /wsdl HTTP/1.1\r\n\r\n");
  EXPECT_EQ(Client.ReadAll(), OkClosed);
}

void FourConnections(THttpLimits& Limits) {
  Limits.MaxConnections = 4;
  Limits.RequestTimeout = std::chrono::seconds(20);
}
using HttpConnectionCapTest = HttpServerWith<FourConnections>;

TEST_F(HttpConnectionCapTest, PastTheCapTheLongestSilentConnectionsCloseFirst) {
  EXPECT_EQ(Server.MaxConnections(), 4u);
  std::vector<std::unique_ptr<TLoopbackClient>> Open;
  for (std::size_t I = 0; I < 4; ++I) {
    Open.push_back(std::make_unique<TLoopbackClient>(Port()));
    WaitForOpen(I + 1);
  }
  // The second one starts a request: it has sent a byte after the others.
  Open[1]->Send("GET /wsdl HTTP/1.1\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::vector<std::unique_ptr<TLoopbackClient>> Later;
  for (int I = 0; I < 3; ++I) {
    Later.push_back(std::make_unique<TLoopbackClient>(Port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(Open[0]->ReadAll(), "");
  EXPECT_EQ(Open[2]->ReadAll(), "");
  EXPECT_EQ(Open[3]->ReadAll(), "");
  Open[1]->Send("Connection: close\r\n\r\n");
  EXPECT_EQ(Open[1]->ReadAll(), OkClosed);
  for (auto& Client : Later) {
    Client->Send("GET /wsdl HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Client->ReadAll(), OkClosed);
  }
}

void SmallBudget(THttpLimits& Limits) {
  Limits.BodyBudget = 128 * 1024;
  Limits.RequestTimeout = std::chrono::seconds(20);
}
using HttpBodyBudgetTest = HttpServerWith<SmallBudget>;

TEST_F(HttpBodyBudgetTest, RequestPastTheBudgetGets503AndLaterOnesGetThrough) {
  const std::string Big(80 * 1024, 'b');
  TLoopbackClient Holder(Port());
  Holder.Send("POST /soap HTTP/1.1\r\nConnection: close\r\nContent-Length: " + std::to_string(Big.size()) + "\r\n\r\n" +
              Big.substr(0, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::string Small(40 * 1024, 's');
  const std::string SmallPost = "POST /soap HTTP/1.1\r\nConnection: close\r\nContent-Length: " +
                                std::to_string(Small.size()) + "\r\n\r\n" + Small;
  EXPECT_EQ(Exchange(Port(), SmallPost),
            Refusal("503 Service Unavailable", "Too many requests are being read at once; try again later"));
  Holder.Send(Big.substr(1000));
  EXPECT_EQ(Holder.ReadAll(), OkClosed);
  EXPECT_EQ(Exchange(Port(), SmallPost), OkClosed);
  ASSERT_EQ(SeenCount(), 2u);
  EXPECT_EQ(Seen[0].Body, Big);
}

void OneIoThread(THttpLimits& Limits) { Limits.IoThreads = 1; }
using HttpSlowCallTest = HttpServerWith<OneIoThread>;

TEST_F(HttpSlowCallTest, SlowCallHoldsUpNoOtherCaller) {
  std::unique_lock Held(Lock);  // every call waits for it
  TLoopbackClient Slow(Port());
  Slow.Send("GET /slow HTTP/1.1\r\nConnection: close\r\n\r\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // Read and refused while the first call is still running.
  EXPECT_EQ(Exchange(Port(), "GET /x HTTP/x\r\n\r\n"), Refusal("400 Bad Request", "Malformed request"));
  Held.unlock();
  EXPECT_EQ(Slow.ReadAll(), OkClosed);
}

TEST_F(HttpServerTest, StopEndsEveryConnectionAndStartAgainOnANewPort) {
  TLoopbackClient Idle(Port());
  Idle.Send("GET /wsdl HTTP/1.1\r\n");
  TLoopbackClient Kept(Port());
  Kept.Send("GET /wsdl HTTP/1.1\r\n\r\n");
  EXPECT_EQ(Kept.ReadResponse(), OkKept);
  Server.Stop();
  EXPECT_FALSE(Server.Active());
  EXPECT_EQ(Idle.ReadAll(), "");
  EXPECT_EQ(Kept.ReadAll(), "");
  EXPECT_EQ(Server.OpenConnections(), 0u);
  ASSERT_EQ(Server.Start(0), "");
  EXPECT_NE(Exchange(Port(), "GET / HTTP/1.1\r\nConnection: close\r\n\r\n"), "");
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
    return Exchange(App.Port(), "POST " + Target + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\nContent-Length: " +
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
  EXPECT_EQ(Exchange(App.Port(), "GET /soap/IVantorWS HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n"),
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
