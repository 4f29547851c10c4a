#include "service/SOAPIndyWM.h"

#include "service/InvokableRegistry.h"
#include "service/SoapInvoker.h"
#include "service/SoapWriter.h"
#include "formatter/TextCase.h"

namespace dravel {

namespace {

// A path mask "name*": the path begins with "/name", without regard to case.
bool MatchesMask(std::string_view Path, std::string_view Prefix) {
  return Path.size() >= Prefix.size() && SameTextAscii(Path.substr(0, Prefix.size()), Prefix);
}

}  // namespace

TwmSOAPIndy::TwmSOAPIndy(const TServiceState& State, const TPortListFile& PortList)
    : FState(State), WSDLPublish(PortList) {}

TWebResponse TwmSOAPIndy::HandleRequest(const TWebRequest& Request) const {
  if (MatchesMask(Request.PathInfo, "/soap") && Request.Method == "POST") return SOAPDispatcher(Request);
  if (MatchesMask(Request.PathInfo, "/wsdl")) {
    if (auto Response = WSDLPublish.Handle(Request)) return std::move(*Response);
  }
  return TWebResponse{};
}

TWebResponse TwmSOAPIndy::SOAPDispatcher(const TWebRequest& Request) const {
  // The interface is named by the path's last segment; SOAPAction takes no part.
  const std::string_view Path = Request.PathInfo;
  const std::size_t Slash = Path.rfind('/');
  const TInterfaceInfo* Interface = FindInterface(Slash == std::string_view::npos ? Path : Path.substr(Slash + 1));
  if (!Interface) {
    return {200, "text/xml", WriteDispatcherFault("No interface  registered for URL " + Request.PathInfo)};
  }
  const TInvokeContext Context{FState, [this](std::string_view PortType) {
                                 return WSDLPublish.WSDLForPortType(PortType);
                               }};
  return {200, "text/xml", InvokeSoap(*Interface, Request.Content, Context)};
}

}  // namespace dravel
