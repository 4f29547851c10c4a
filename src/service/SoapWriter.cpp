#include "service/SoapWriter.h"

#include "service/MarkupEscape.h"
#include "service/SoapNamespaces.h"

namespace dravel {

namespace {

constexpr std::string_view Declaration = "<?xml version=\"1.0\" encoding='UTF-8'?>";

std::string FullEnvelopeStart() {
  return std::string(Declaration) + "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"" +
         std::string(SoapEnvelopeNamespace) + "\" xmlns:xsd=\"" + std::string(Xsd1999Namespace) +
         "\" xmlns:xsi=\"" + std::string(Xsi1999Namespace) + "\" xmlns:SOAP-ENC=\"" +
         std::string(SoapEncodingNamespace) + "\"><SOAP-ENV:Body>";
}

constexpr std::string_view EnvelopeEnd = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

std::string Fault(std::string_view Message) {
  return "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>" + XmlText(Message) +
         "</faultstring></SOAP-ENV:Fault>";
}

// xsi:type of a value: "xsd:" for the built-in types, the type's own namespace otherwise.
std::string TypeAttribute(TXmlType Type, std::string& NamespaceDeclaration) {
  if (XmlTypeNamespace(Type) == Xsd1999Namespace) return "xsd:" + std::string(XmlTypeName(Type));
  NamespaceDeclaration = " xmlns:NS2=\"" + std::string(XmlTypeNamespace(Type)) + "\"";
  return "NS2:" + std::string(XmlTypeName(Type));
}

std::string ResultElement(std::string_view ResultName, const TSoapResult& Result) {
  const std::string Name(ResultName);
  if (Result.Type == TXmlType::StringArray) {
    std::string Items;
    for (const std::string& Item : Result.Items) {
      Items += "<item xsi:type=\"xsd:string\">" + XmlText(Item) + "</item>";
    }
    return "<" + Name + " xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"xsd:string[" +
           std::to_string(Result.Items.size()) + "]\">" + Items + "</" + Name + ">";
  }
  std::string Declaration;
  const std::string Type = TypeAttribute(Result.Type, Declaration);
  return "<" + Name + Declaration + " xsi:type=\"" + Type + "\">" + XmlText(Result.Text) + "</" +
         Name + ">";
}

}  // namespace

std::string WriteSoapResponse(std::string_view Namespace, std::string_view Operation,
                              std::string_view ResultName, const TSoapResult& Result) {
  const std::string Element = "NS1:" + std::string(Operation) + "Response";
  return FullEnvelopeStart() + "<" + Element + " xmlns:NS1=\"" + std::string(Namespace) +
         "\" SOAP-ENV:encodingStyle=\"" + std::string(SoapEncodingNamespace) + "\">" +
         ResultElement(ResultName, Result) + "</" + Element + ">" + std::string(EnvelopeEnd);
}

std::string WriteInvokerFault(std::string_view Message) {
  return FullEnvelopeStart() + Fault(Message) + std::string(EnvelopeEnd);
}

std::string WriteDispatcherFault(std::string_view Message) {
  return std::string(Declaration) + "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"" +
         std::string(SoapEnvelopeNamespace) + "\"><SOAP-ENV:Body>" + Fault(Message) +
         std::string(EnvelopeEnd);
}

}  // namespace dravel
