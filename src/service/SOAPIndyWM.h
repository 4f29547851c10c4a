#pragma once
// The web module: SOAP calls on "/soap" paths (POST only) go to the dispatcher and the
// invoker, "/wsdl" paths (any method) to the publisher; nothing else is handled.

#include "service/VantorImpl.h"
#include "service/PortListFile.h"
#include "service/WebRequest.h"
#include "service/WsdlPublisher.h"

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
