// libFuzzer target: the SOAP message reader, the invoker and the writer over arbitrary
// message bytes, with every IVantorWS operation reachable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sampling/RawData.h"
#include "service/VantorImpl.h"
#include "service/InvokableRegistry.h"
#include "service/SoapError.h"
#include "service/SoapInvoker.h"
#include "service/SoapReader.h"

namespace {

dravel::TRawDataShell& Shell() {
  static dravel::TRawDataShell Holder;
  return Holder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Message(reinterpret_cast<const char*>(Data), Size);
  try {
    dravel::ReadSoapRequest(Message);
  } catch (const dravel::TSoapError&) {
  }
  const dravel::TServiceState State{Shell(), [](std::string_view Line) { return std::string(Line); }};
  const dravel::TInvokeContext Context{State, [](std::string_view PortType) { return std::string(PortType); }};
  for (const dravel::TInterfaceInfo& Interface : dravel::RegisteredInterfaces()) {
    const std::string Answer = dravel::InvokeSoap(Interface, Message, Context);
    if (!Answer.starts_with("<?xml version=\"1.0\" encoding='UTF-8'?><SOAP-ENV:Envelope")) std::abort();
  }
  return 0;
}
