#pragma once
// The registrations of IVantorWS and the publisher's IWSDLPublish.

#include "service/invokable_registry.h"

namespace dravel {

// IVantorWS in namespace "urn:VantorIntf-IVantorWS"; each call runs on a new TVantorWS.
TInterfaceInfo VantorInterface();
// IWSDLPublish, implemented by the publisher.
TInterfaceInfo WSDLPublishInterface();

}  // namespace dravel
