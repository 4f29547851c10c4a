#pragma once
// The WSDL publisher: listing pages, port pages and WSDL documents on "/wsdl" paths.

#include <optional>
#include <string>
#include <string_view>

#include "service/PortListFile.h"
#include "service/WebRequest.h"

namespace dravel {

class TWSDLPublisher {
 public:
  explicit TWSDLPublisher(const TPortListFile& PortList) : FPortList(PortList) {}

  // Creates the port list file when missing, then answers by the path's last segment and
  // the one before it; nothing for a path it does not serve.
  std::optional<TWebResponse> Handle(const TWebRequest& Request) const;
  // The WSDL document of the interface of exactly that name; empty when none has it.
  std::string WSDLForPortType(std::string_view PortType) const;

 private:
  const TPortListFile& FPortList;
};

}  // namespace dravel
