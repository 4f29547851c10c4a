#pragma once
// The publisher's HTML pages, one element per line, lines ended by CR LF.

#include <string>
#include <string_view>
#include <vector>

#include "service/PortListFile.h"

namespace dravel {

// The listing of the registered interfaces; Base is "http://" (or "https://"), the Host
// header and the request path. The administrator listing links to the port pages instead of the WSDL
// documents and has no administrator form.
std::string ListingPage(std::string_view Base);
std::string AdministratorPage(std::string_view Base);
// The ports of one interface with the (inert) form for adding and removing one; Address
// is the page's own address.
std::string PortPage(std::string_view Interface, const std::vector<TPortEntry>& Ports,
                     std::string_view Address);
std::string InterfaceNotFoundPage(std::string_view Name);

}  // namespace dravel
