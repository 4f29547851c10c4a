#include "service/WsdlDocument.h"


#include "service/MarkupEscape.h"
#include "service/SoapNamespaces.h"

namespace dravel {

namespace {

std::string Str(std::string_view Text) { return std::string(Text); }

// "xsd:" for the built-in types (1999 schema), "ns1:" for the interface's own types.
std::string QualifiedType(TXmlType Type) {
  return (XmlTypeNamespace(Type) == Xsd1999Namespace ? "xsd:" : "ns1:") + Str(XmlTypeName(Type));
}

// The namespace of the interface's own (not built-in) types; empty when it has none.
std::string OwnTypeNamespace(const TInterfaceInfo& Interface) {
  for (const TOperationInfo& Operation : Interface.Operations) {
    if (XmlTypeNamespace(Operation.Result) != Xsd1999Namespace) return Str(XmlTypeNamespace(Operation.Result));
    for (const TParamInfo& Param : Operation.Params) {
      if (XmlTypeNamespace(Param.Type) != Xsd1999Namespace) return Str(XmlTypeNamespace(Param.Type));
    }
  }
  return {};
}

}  // namespace

std::string WsdlDocument(const TInterfaceInfo& Interface, const std::vector<TPortEntry>& Ports) {
  const std::string Name = Str(Interface.Name);
  const std::string Namespace = Str(Interface.Namespace);
  const std::string TypeNamespace = OwnTypeNamespace(Interface);
  std::string Text;
  const auto Line = [&Text](std::string_view Indent, const std::string& Content) {
    Text.append(Indent).append(Content).append("\r\n");
  };

  Line("", "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  Line("", "<definitions xmlns=\"" + Str(WsdlNamespace) + "\" xmlns:xsd=\"" + Str(Xsd1999Namespace) +
               "\" name=\"" + Name + "service\" targetNamespace=\"" + Str(WsdlTargetNamespace) +
               "\" xmlns:tns=\"" + Str(WsdlTargetNamespace) + "\" xmlns:soap=\"" + Str(WsdlSoapNamespace) +
               "\" xmlns:soapenc=\"" + Str(SoapEncodingNamespace) + "\"" +
               (TypeNamespace.empty() ? "" : " xmlns:ns1=\"" + TypeNamespace + "\"") + ">");
  if (!TypeNamespace.empty()) {
    Line("  ", "<types>");
    Text += SchemaLines(TypeNamespace, "    ");
    Line("  ", "</types>");
  }
  for (const TOperationInfo& Operation : Interface.Operations) {
    const std::string Op = Str(Operation.Name);
    Line("  ", "<message name=\"" + Op + "Request\">");
    for (const TParamInfo& Param : Operation.Params) {
      Line("    ", "<part name=\"" + Str(Param.Name) + "\" type=\"" + QualifiedType(Param.Type) + "\"/>");
    }
    Line("  ", "</message>");
    Line("  ", "<message name=\"" + Op + "Response\">");
    Line("    ", "<part name=\"" + Str(Operation.ResultName) + "\" type=\"" + QualifiedType(Operation.Result) + "\"/>");
    Line("  ", "</message>");
  }
  Line("  ", "<portType name=\"" + Name + "\">");
  for (const TOperationInfo& Operation : Interface.Operations) {
    const std::string Op = Str(Operation.Name);
    Line("    ", "<operation name=\"" + Op + "\">");
    Line("      ", "<input message=\"tns:" + Op + "Request\"/>");
    Line("      ", "<output message=\"tns:" + Op + "Response\"/>");
    Line("    ", "</operation>");
  }
  Line("  ", "</portType>");
  Line("  ", "<binding name=\"" + Name + "binding\" type=\"tns:" + Name + "\">");
  Line("    ", "<soap:binding style=\"rpc\" transport=\"" + Str(SoapHttpTransport) + "\"/>");
  const std::string Body = "<soap:body use=\"encoded\" encodingStyle=\"" + Str(SoapEncodingNamespace) +
                           "\" namespace=\"" + Namespace + "\"/>";
  for (const TOperationInfo& Operation : Interface.Operations) {
    const std::string Op = Str(Operation.Name);
    Line("    ", "<operation name=\"" + Op + "\">");
    Line("      ", "<soap:operation soapAction=\"" + Namespace + "#" + Op + "\" style=\"rpc\"/>");
    Line("      ", "<input>");
    Line("        ", Body);
    Line("      ", "</input>");
    Line("      ", "<output>");
    Line("        ", Body);
    Line("      ", "</output>");
    Line("    ", "</operation>");
  }
  Line("  ", "</binding>");
  Line("  ", "<service name=\"" + Name + "service\">");
  for (const TPortEntry& Port : Ports) {
    Line("    ", "<port name=\"" + XmlAttribute(Port.Name) + "\" binding=\"tns:" + Name + "binding\">");
    Line("      ", "<soap:address location=\"" + XmlAttribute(Port.Address) + "\"/>");
    Line("    ", "</port>");
  }
  Line("  ", "</service>");
  Line("", "</definitions>");
  return Text;
}

}  // namespace dravel
