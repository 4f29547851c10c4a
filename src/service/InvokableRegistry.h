#pragma once
// The interfaces the SOAP layer knows, in registration order: their names, namespaces,
// operations with parameter names and XML types, and how each operation is run.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

struct TServiceState;

enum class TXmlType {
  String,
  UnsignedByte,
  Byte,
  Short,
  UnsignedInt,
  Long,
  Float,
  DateTime,
  SubItem,
  StringArray,
};

// The type's name and the namespace it is registered under.
std::string_view XmlTypeName(TXmlType Type);
std::string_view XmlTypeNamespace(TXmlType Type);

struct TParamInfo {
  std::string_view Name;
  TXmlType Type;
};

// A result value in its written form: Text, or Items for an array.
struct TSoapResult {
  TXmlType Type;
  std::string Text;
  std::vector<std::string> Items;
};

// What an operation may reach while it runs.
struct TInvokeContext {
  const TServiceState& State;
  std::function<std::string(std::string_view PortType)> WSDLForPortType;
};

// One text per parameter (code page 1252), empty when the message had no element for it.
using TArguments = std::vector<std::optional<std::string>>;

struct TOperationInfo {
  std::string_view Name;
  std::vector<TParamInfo> Params;
  TXmlType Result;
  std::string_view ResultName;  // "return", or the name of the out parameter
  std::function<TSoapResult(const TInvokeContext&, const TArguments&)> Invoke;
};

struct TInterfaceInfo {
  std::string_view Name;
  std::string_view Namespace;
  std::string_view Documentation;
  std::vector<TOperationInfo> Operations;
};

// IVantorWS, then the publisher's IWSDLPublish.
std::span<const TInterfaceInfo> RegisteredInterfaces();
// The interface of that name without regard to case, or null.
const TInterfaceInfo* FindInterface(std::string_view Name);
// The namespaces of the registered XML types, and the schema text of one of them
// (empty for a namespace that has none).
std::vector<std::string> RegisteredTypeSystems();
std::string SchemaForTypeSystem(std::string_view Namespace);
// The same schema with every line led by Indent, as the WSDL documents embed it.
std::string SchemaLines(std::string_view Namespace, std::string_view Indent);

}  // namespace dravel
