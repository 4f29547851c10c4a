#include "service/VantorOperations.h"

#include <string>

#include "service/VantorImpl.h"
#include "service/XsdValues.h"

namespace dravel {

namespace {

using enum TXmlType;

// Argument readers: a parameter without an element keeps its zero value.
std::string StringArg(const TArguments& Args, std::size_t Index) {
  return Args[Index].value_or(std::string());
}
char CharArg(const TArguments& Args, std::size_t Index) {
  return Args[Index] ? ReadChar(*Args[Index]) : '\0';
}
std::int8_t ShortintArg(const TArguments& Args, std::size_t Index) {
  return Args[Index] ? ReadShortint(*Args[Index]) : 0;
}
TSubItem SubItemArg(const TArguments& Args, std::size_t Index) {
  return Args[Index] ? ReadSubItem(*Args[Index]) : TSubItem::siFree;
}

TSoapResult Value(TXmlType Type, std::string Text) { return {Type, std::move(Text), {}}; }

// An operation of IVantorWS: Body runs on a fresh TVantorWS and gives the written result.
template <typename TBody>
TOperationInfo Operation(std::string_view Name, std::vector<TParamInfo> Params, TXmlType Result,
                         TBody Body) {
  return {Name, std::move(Params), Result, "return",
          [Result, Body](const TInvokeContext& Context, const TArguments& Args) {
            TVantorWS Service(Context.State);
            return Value(Result, Body(Service, Args));
          }};
}

// The five operations that pick one element of a five-element figure.
template <float (TVantorWS::*Getter)(std::int8_t)>
TOperationInfo SelectionOperation(std::string_view Name) {
  return Operation(Name, {{"Selection", Byte}}, Float, [](TVantorWS& Service, const TArguments& Args) {
    return FormatSingle((Service.*Getter)(ShortintArg(Args, 0)));
  });
}

}  // namespace

TInterfaceInfo VantorInterface() {
  TInterfaceInfo Info{"IVantorWS", "urn:VantorIntf-IVantorWS", "", {}};
  auto& Ops = Info.Operations;
  Ops.push_back(Operation("GetFormattedItem", {{"FormatString", String}}, String,
                          [](TVantorWS& Service, const TArguments& Args) {
                            return Service.GetFormattedItem(StringArg(Args, 0));
                          }));
  Ops.push_back(Operation("GetVersion", {}, UnsignedByte, [](TVantorWS& Service, const TArguments&) {
    return std::to_string(Service.GetVersion());
  }));
  Ops.push_back(Operation("GetDriveSpace", {{"Selection", String}, {"SubItem", SubItem}}, Float,
                          [](TVantorWS& Service, const TArguments& Args) {
                            return FormatSingle(
                                Service.GetDriveSpace(CharArg(Args, 0), SubItemArg(Args, 1)));
                          }));
  Ops.push_back(SelectionOperation<&TVantorWS::GetProcUsage>("GetProcUsage"));
  Ops.push_back(SelectionOperation<&TVantorWS::GetNetRead>("GetNetRead"));
  Ops.push_back(SelectionOperation<&TVantorWS::GetNetReadSum>("GetNetReadSum"));
  Ops.push_back(SelectionOperation<&TVantorWS::GetNetWrite>("GetNetWrite"));
  Ops.push_back(SelectionOperation<&TVantorWS::GetNetWriteSum>("GetNetWriteSum"));
  Ops.push_back(Operation("GetPage", {{"SubItem", SubItem}}, UnsignedInt,
                          [](TVantorWS& Service, const TArguments& Args) {
                            return std::to_string(Service.GetPage(SubItemArg(Args, 0)));
                          }));
  Ops.push_back(Operation("GetRAM", {{"SubItem", SubItem}}, UnsignedInt,
                          [](TVantorWS& Service, const TArguments& Args) {
                            return std::to_string(Service.GetRAM(SubItemArg(Args, 0)));
                          }));
  Ops.push_back(Operation("GetThreads", {}, Short, [](TVantorWS& Service, const TArguments&) {
    return std::to_string(Service.GetThreads());
  }));
  Ops.push_back(Operation("GetProcesses", {}, Short, [](TVantorWS& Service, const TArguments&) {
    return std::to_string(Service.GetProcesses());
  }));
  Ops.push_back(Operation("GetDateTime", {}, DateTime, [](TVantorWS& Service, const TArguments&) {
    return Service.GetDateTime().ToXSD();
  }));
  Ops.push_back(Operation("GetUptime", {}, Long, [](TVantorWS& Service, const TArguments&) {
    return std::to_string(Service.GetUptime());
  }));
  Ops.push_back(Operation("GetCompName", {}, String, [](TVantorWS& Service, const TArguments&) {
    return Service.GetCompName();
  }));
  Ops.push_back(Operation("GetUser", {}, String, [](TVantorWS& Service, const TArguments&) {
    return Service.GetUser();
  }));
  return Info;
}

TInterfaceInfo WSDLPublishInterface() {
  TInterfaceInfo Info{"IWSDLPublish", "urn:WSDLPub-IWSDLPublish",
                      "Lists all the PortTypes published by this URL", {}};
  auto& Ops = Info.Operations;
  Ops.push_back({"GetPortTypeList", {}, StringArray, "PortTypes",
                 [](const TInvokeContext&, const TArguments&) {
                   TSoapResult Result{StringArray, {}, {}};
                   for (const TInterfaceInfo& Interface : RegisteredInterfaces()) {
                     Result.Items.emplace_back(Interface.Name);
                   }
                   return Result;
                 }});
  Ops.push_back({"GetWSDLForPortType", {{"PortType", String}}, String, "return",
                 [](const TInvokeContext& Context, const TArguments& Args) {
                   return Value(String, Context.WSDLForPortType(StringArg(Args, 0)));
                 }});
  Ops.push_back({"GetTypeSystemsList", {}, StringArray, "TypeSystems",
                 [](const TInvokeContext&, const TArguments&) {
                   return TSoapResult{StringArray, {}, RegisteredTypeSystems()};
                 }});
  Ops.push_back({"GetXSDForTypeSystem", {{"TypeSystem", String}}, String, "return",
                 [](const TInvokeContext&, const TArguments& Args) {
                   return Value(String, SchemaForTypeSystem(StringArg(Args, 0)));
                 }});
  return Info;
}

}  // namespace dravel
