#pragma once
// Writes the SOAP responses and faults, byte for byte, as UTF-8.

#include <string>
#include <string_view>

#include "service/InvokableRegistry.h"

namespace dravel {

// The response of an operation of the interface with namespace Namespace: the element
// named after the operation with "Response", holding the result under ResultName.
std::string WriteSoapResponse(std::string_view Namespace, std::string_view Operation,
                              std::string_view ResultName, const TSoapResult& Result);
// A fault raised while reading the message, running the operation or writing the answer.
std::string WriteInvokerFault(std::string_view Message);
// A fault raised while choosing the interface: a bare envelope with the SOAP-ENV prefix only.
std::string WriteDispatcherFault(std::string_view Message);

}  // namespace dravel
