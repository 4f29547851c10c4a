#pragma once
// The WSDL 1.1 document of a registered interface (UTF-8, lines ended by CR LF).

#include <string>
#include <vector>

#include "service/InvokableRegistry.h"
#include "service/PortListFile.h"

namespace dravel {

// Ports are the entries of the interface's section of the port list file.
std::string WsdlDocument(const TInterfaceInfo& Interface, const std::vector<TPortEntry>& Ports);

}  // namespace dravel
