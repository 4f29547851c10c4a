#include "service/SoapInvoker.h"

#include <exception>

#include "service/SoapError.h"
#include "service/SoapReader.h"
#include "service/SoapWriter.h"
#include "formatter/TextCase.h"

namespace dravel {

namespace {

const TOperationInfo& FindOperation(const TInterfaceInfo& Interface, const std::string& Name) {
  for (const TOperationInfo& Operation : Interface.Operations) {
    if (SameTextAscii(Operation.Name, Name)) return Operation;
  }
  throw TSoapError("No such method " + Name);
}

// Parameters by element name without regard to case, in any order; a later duplicate
// wins and elements that name no parameter are ignored.
TArguments BindArguments(const TOperationInfo& Operation, const TSoapRequest& Request) {
  TArguments Args(Operation.Params.size());
  for (const auto& [Name, Text] : Request.Elements) {
    for (std::size_t Index = 0; Index < Operation.Params.size(); ++Index) {
      if (SameTextAscii(Operation.Params[Index].Name, Name)) Args[Index] = Text;
    }
  }
  return Args;
}

}  // namespace

std::string InvokeSoap(const TInterfaceInfo& Interface, std::string_view Message,
                       const TInvokeContext& Context) {
  try {
    const TSoapRequest Request = ReadSoapRequest(Message);
    const TOperationInfo& Operation = FindOperation(Interface, Request.Operation);
    const TSoapResult Result = Operation.Invoke(Context, BindArguments(Operation, Request));
    return WriteSoapResponse(Interface.Namespace, Operation.Name, Operation.ResultName, Result);
  } catch (const std::exception& Error) {
    return WriteInvokerFault(Error.what());
  }
}

}  // namespace dravel
