#pragma once
// The web module: SOAP calls on "/soap" paths (POST only) go to the dispatcher and the
// invoker, "/wsdl" paths (any method) to the publisher; nothing else is handled.

#include "service/VantorImpl.h"
#include "service/port_list_file.h"
#include "service/web_request.h"
#include "service/wsdl_publisher.h"

namespace dravel {

class TwmSOAPIndy {
 public:
  TwmSOAPIndy(const TServiceState& State, const TPortListFile& PortList);

  // Safe to call from several connection threads at once.
  TWebResponse HandleRequest(const TWebRequest& Request) const;

 private:
  TWebResponse SOAPDispatcher(const TWebRequest& Request) const;

  const TServiceState& FState;
  TWSDLPublisher WSDLPublish;
};

}  // namespace dravel
