#pragma once
// The registrations of IVantorWS and the publisher's IWSDLPublish.

#include "service/InvokableRegistry.h"

namespace dravel {

// IVantorWS in namespace "urn:VantorIntf-IVantorWS"; each call runs on a new TVantorWS.
TInterfaceInfo VantorInterface();
// IWSDLPublish, implemented by the publisher.
TInterfaceInfo WSDLPublishInterface();

}  // namespace dravel
