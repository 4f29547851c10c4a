#include "service/InvokableRegistry.h"

#include <array>

#include "service/SoapNamespaces.h"
#include "formatter/TextCase.h"
#include "service/VantorOperations.h"

namespace dravel {

namespace {

constexpr std::string_view VantorTypes = "urn:VantorIntf";
constexpr std::string_view PublisherTypes = "urn:WSDLPub";

// Schema of one type system, lines ended by CR LF, each line led by Indent.
std::string Schema(std::string_view Namespace, std::string_view Indent) {
  std::string Body;
  const auto Line = [&](std::string_view Depth, std::string_view Text) {
    Body.append(Indent).append(Depth).append(Text).append("\r\n");
  };
  Line("", "<xs:schema targetNamespace=\"" + std::string(Namespace) + "\" xmlns=\"" +
               std::string(Namespace) + "\" xmlns:xs=\"" + std::string(Xsd2001Namespace) +
               "\" xmlns:soapenc=\"" + std::string(SoapEncodingNamespace) + "\">");
  if (Namespace == VantorTypes) {
    Line("  ", "<xs:simpleType name=\"TSubItem\">");
    Line("    ", "<xs:restriction base=\"xs:string\">");
    for (std::string_view Value : {"siFree", "siTotal", "siUsed"}) {
      Line("      ", "<xs:enumeration value=\"" + std::string(Value) + "\"/>");
    }
    Line("    ", "</xs:restriction>");
    Line("  ", "</xs:simpleType>");
  } else {
    Line("  ", "<xs:complexType name=\"TWideStringDynArray\">");
    Line("    ", "<xs:complexContent>");
    Line("      ", "<xs:restriction base=\"soapenc:Array\">");
    Line("        ", "<xs:sequence/>");
    Line("        ", "<xs:attribute ref=\"soapenc:arrayType\" n1:arrayType=\"xs:string[]\" xmlns:n1=\"" +
                         std::string(WsdlNamespace) + "\"/>");
    Line("      ", "</xs:restriction>");
    Line("    ", "</xs:complexContent>");
    Line("  ", "</xs:complexType>");
  }
  Line("", "</xs:schema>");
  return Body;
}

}  // namespace

std::string_view XmlTypeName(TXmlType Type) {
  switch (Type) {
    case TXmlType::String:
      return "string";
    case TXmlType::UnsignedByte:
      return "unsignedByte";
    case TXmlType::Byte:
      return "byte";
    case TXmlType::Short:
      return "short";
    case TXmlType::UnsignedInt:
      return "unsignedInt";
    case TXmlType::Long:
      return "long";
    case TXmlType::Float:
      return "float";
    case TXmlType::DateTime:
      return "dateTime";
    case TXmlType::SubItem:
      return "TSubItem";
    case TXmlType::StringArray:
      return "TWideStringDynArray";
  }
  return "";
}

std::string_view XmlTypeNamespace(TXmlType Type) {
  switch (Type) {
    case TXmlType::SubItem:
      return VantorTypes;
    case TXmlType::StringArray:
      return PublisherTypes;
    default:
      return Xsd1999Namespace;
  }
}

std::span<const TInterfaceInfo> RegisteredInterfaces() {
  static const std::array<TInterfaceInfo, 2> Interfaces{VantorInterface(), WSDLPublishInterface()};
  return Interfaces;
}

const TInterfaceInfo* FindInterface(std::string_view Name) {
  for (const TInterfaceInfo& Interface : RegisteredInterfaces()) {
    if (SameTextAscii(Interface.Name, Name)) return &Interface;
  }
  return nullptr;
}

std::vector<std::string> RegisteredTypeSystems() {
  return {std::string(VantorTypes), std::string(PublisherTypes)};
}

std::string SchemaForTypeSystem(std::string_view Namespace) {
  return SchemaLines(Namespace, "");
}

std::string SchemaLines(std::string_view Namespace, std::string_view Indent) {
  if (Namespace != VantorTypes && Namespace != PublisherTypes) return {};
  return Schema(Namespace, Indent);
}

}  // namespace dravel
