#include "service/IndyApp.h"

#include <exception>

namespace dravel {

TWebRequest ToWebRequest(const THttpRequest& Request) {
  TWebRequest Web{Request.Method, Request.Target, Request.Host, Request.Body, Request.LocalAddress, Request.OverTls};
  const std::size_t Question = Request.Target.find('?');
  if (Question != std::string::npos) {
    const std::string Query = Request.Target.substr(Question + 1);
    Web.PathInfo.resize(Question);
    if (!Query.empty()) Web.Content += "\r\n" + Query;
  }
  return Web;
}

TWebApplication::TWebApplication(const TServiceState& State, std::filesystem::path PortListPrimary,
                                 std::filesystem::path PortListFallback, TWebRoute Route)
    : FPortList(std::move(PortListPrimary), std::move(PortListFallback)),
      FModule(State, FPortList),
      FRoute(std::move(Route)),
      FServer([this](const THttpRequest& Request) { return HandleRequest(Request); }) {}

std::string TWebApplication::Start(std::uint16_t Port) {
  FServer.Stop();
  FGate.reset();
  if (!FAuth.UsersFile.empty()) {
    try {
      FGate = std::make_unique<TBasicAuthGate>(FAuth, FAuthLog);
    } catch (const EHtpasswd& Error) {
      return Error.what();
    }
  }
  std::string Error = FServer.Start(Port);
  // A WSDL of an earlier run on another port would send clients to a closed port.
  if (Error.empty()) FPortList.FollowPort(FServer.Port(), FServer.OverTls(), TLocalHosts::OfThisMachine());
  return Error;
}

TWebResponse TWebApplication::HandleRequest(const THttpRequest& Request) {
  struct TSlot {
    std::atomic<int>& Count;
    ~TSlot() { --Count; }
  } Slot{FActiveRequests};
  try {
    if (++FActiveRequests > MaxActiveRequests) {
      throw std::runtime_error(
          "Maximum number of concurrent connections exceeded.  Please try again later");
    }
    if (FGate) {
      if (auto Refusal = FGate->Refusal(Request)) return std::move(*Refusal);
    }
    if (FRoute) {
      if (auto Response = FRoute(Request)) return std::move(*Response);
    }
    return FModule.HandleRequest(ToWebRequest(Request));
  } catch (const std::exception& Error) {
    return {500, "text/html", Error.what()};
  }
}

}  // namespace dravel
