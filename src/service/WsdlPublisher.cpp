#include "service/WsdlPublisher.h"

#include "service/InvokableRegistry.h"
#include "service/PublisherPages.h"
#include "service/WsdlDocument.h"

namespace dravel {

namespace {

const TInterfaceInfo* ExactInterface(std::string_view Name) {
  for (const TInterfaceInfo& Interface : RegisteredInterfaces()) {
    if (Interface.Name == Name) return &Interface;
  }
  return nullptr;
}

TWebResponse Html(std::string Content) { return {200, "text/html", std::move(Content)}; }

}  // namespace

std::string TWSDLPublisher::WSDLForPortType(std::string_view PortType) const {
  const TInterfaceInfo* Interface = ExactInterface(PortType);
  return Interface ? WsdlDocument(*Interface, FPortList.Ports(Interface->Name)) : std::string();
}

std::optional<TWebResponse> TWSDLPublisher::Handle(const TWebRequest& Request) const {
  FPortList.CreateIfMissing(Request.Host, Request.LocalAddress, Request.OverTls);

  const std::string_view Path = Request.PathInfo;
  const std::size_t LastSlash = Path.rfind('/');
  const std::string_view Last = LastSlash == std::string_view::npos ? Path : Path.substr(LastSlash + 1);
  std::string_view Before;
  if (LastSlash != std::string_view::npos && LastSlash > 0) {
    const std::string_view Head = Path.substr(0, LastSlash);
    const std::size_t Slash = Head.rfind('/');
    Before = Slash == std::string_view::npos ? Head : Head.substr(Slash + 1);
  }
  const std::string Base = (Request.OverTls ? "https://" : "http://") + Request.Host + std::string(Path);

  if (Last == "wsdl") return Html(ListingPage(Base));
  if (Last == "admin") return Html(AdministratorPage(Base));
  if (Before == "wsdl") {
    const TInterfaceInfo* Interface = ExactInterface(Last);
    if (!Interface) return Html(InterfaceNotFoundPage(Last));
    return TWebResponse{200, "text/xml", WsdlDocument(*Interface, FPortList.Ports(Interface->Name))};
  }
  if (Before == "admin") {
    const TInterfaceInfo* Interface = ExactInterface(Last);
    if (!Interface) return Html(InterfaceNotFoundPage(Last));
    return Html(PortPage(Interface->Name, FPortList.Ports(Interface->Name), Base));
  }
  return std::nullopt;
}

}  // namespace dravel
