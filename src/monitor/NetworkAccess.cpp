#include "monitor/NetworkAccess.h"

#include <exception>

#include "monitor/StoredValues.h"

namespace dravel {

namespace {

template <typename TParse>
auto Named(const std::string& Source, const std::string& Text, TParse Parse) {
  try {
    return Parse(Text);
  } catch (const EAddressText& Error) {
    throw EAddressText(Source + ": " + Error.what());
  }
}

}  // namespace

TListenAccess ResolveNetworkAccess(TRegistry& Store, const std::optional<std::string>& Listen,
                                   const std::optional<std::string>& Allow) {
  TListenAccess Access;
  Access.Listen = Named(Listen ? "--listen" : "ListenAddress", Listen ? *Listen : StoredText(Store, "ListenAddress"),
                        [](const std::string& Text) { return ParseListenAddress(Text); });
  Access.Allow = Named(Allow ? "--allow" : "AllowFrom", Allow ? *Allow : StoredText(Store, "AllowFrom"),
                       [](const std::string& Text) { return TAddressFilter::Parse(Text); });
  return Access;
}

}  // namespace dravel
