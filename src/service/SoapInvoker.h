#pragma once
// Decodes a SOAP call of one interface, runs the operation and encodes the answer.

#include <string>
#include <string_view>

#include "service/InvokableRegistry.h"

namespace dravel {

// The response envelope, or the invoker's fault envelope for any failure.
std::string InvokeSoap(const TInterfaceInfo& Interface, std::string_view Message,
                       const TInvokeContext& Context);

}  // namespace dravel
