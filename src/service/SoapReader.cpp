#include "service/SoapReader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <map>
#include <memory>
#include <mutex>

#include "platform/CodePage.h"
#include "service/SoapError.h"
#include "service/SoapNamespaces.h"

namespace dravel {

namespace {

struct TContextFree {
  void operator()(xmlParserCtxt* Context) const { xmlFreeParserCtxt(Context); }
};
struct TDocFree {
  void operator()(xmlDoc* Doc) const { xmlFreeDoc(Doc); }
};
struct TXmlFree {
  void operator()(xmlChar* Text) const { xmlFree(Text); }
};

constexpr const char* DoctypeRefused = "Document type declarations are not allowed in SOAP messages";

// SOAP messages carry no document type declaration; stopping the parser at its start
// means no entity declared in it is ever read or expanded.
void RefuseDoctype(void* UserData, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* Context = static_cast<xmlParserCtxt*>(UserData);
  Context->_private = Context;  // marks the refusal
  xmlStopParser(Context);
}

// Parser messages reach the caller through the fault, never the terminal.
void IgnoreError(void*, xmlError*) {}
void IgnoreGenericError(void*, const char*, ...) {}

std::string_view View(const xmlChar* Text) {
  return Text ? std::string_view(reinterpret_cast<const char*>(Text)) : std::string_view();
}

bool IsSoapElement(const xmlNode* Node, std::string_view LocalName) {
  return Node->type == XML_ELEMENT_NODE && View(Node->name) == LocalName && Node->ns &&
         View(Node->ns->href) == SoapEnvelopeNamespace;
}

const xmlNode* FirstElement(const xmlNode* Node) {
  for (; Node; Node = Node->next) {
    if (Node->type == XML_ELEMENT_NODE) return Node;
  }
  return nullptr;
}

std::string TextOf(const xmlNode* Node) {
  const std::unique_ptr<xmlChar, TXmlFree> Text(xmlNodeGetContent(Node));
  return Utf8ToCp1252(View(Text.get()));
}

std::unique_ptr<xmlDoc, TDocFree> Parse(std::string_view Message) {
  static std::once_flag Initialised;
  std::call_once(Initialised, xmlInitParser);
  // Messages outside a parser context (encoding errors) go to this thread's handler.
  xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
  if (Message.size() > INT_MAX) throw TSoapError("Invalid SOAP request");

  const std::unique_ptr<xmlParserCtxt, TContextFree> Context(xmlNewParserCtxt());
  if (!Context) throw TSoapError("Out of memory");
  Context->sax->internalSubset = RefuseDoctype;
  Context->sax->serror = IgnoreError;
  std::unique_ptr<xmlDoc, TDocFree> Doc(
      xmlCtxtReadMemory(Context.get(), Message.data(), static_cast<int>(Message.size()), nullptr,
                        nullptr, XML_PARSE_NONET | XML_PARSE_NOWARNING));
  if (Context->_private) throw TSoapError(DoctypeRefused);
  if (!Doc || !Context->wellFormed) {
    const xmlError* Error = xmlCtxtGetLastError(Context.get());
    std::string Text = Error && Error->message ? Error->message : "Invalid SOAP request";
    while (!Text.empty() && (Text.back() == '\n' || Text.back() == '\r')) Text.pop_back();
    throw TSoapError(Text);
  }
  return Doc;
}

// Values sent as multi-reference elements ("href" pointing at an "id" in the Body).
std::map<std::string, const xmlNode*, std::less<>> ReferencedValues(const xmlNode* Body) {
  std::map<std::string, const xmlNode*, std::less<>> Values;
  for (const xmlNode* Node = FirstElement(Body->children); Node; Node = FirstElement(Node->next)) {
    const std::unique_ptr<xmlChar, TXmlFree> Id(xmlGetProp(Node, BAD_CAST "id"));
    if (Id) Values.emplace(std::string(View(Id.get())), Node);
  }
  return Values;
}

}  // namespace

TSoapRequest ReadSoapRequest(std::string_view Message) {
  if (Message.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    throw TSoapError("Invalid SOAP request");
  }
  const auto Doc = Parse(Message);
  const xmlNode* Envelope = xmlDocGetRootElement(Doc.get());
  if (!Envelope || !IsSoapElement(Envelope, "Envelope")) throw TSoapError("Invalid SOAP request");

  const xmlNode* Body = nullptr;
  for (const xmlNode* Node = FirstElement(Envelope->children); Node; Node = FirstElement(Node->next)) {
    if (IsSoapElement(Node, "Header")) {
      // No header is registered, so an entry the receiver must understand cannot be processed.
      for (const xmlNode* Entry = FirstElement(Node->children); Entry;
           Entry = FirstElement(Entry->next)) {
        const std::unique_ptr<xmlChar, TXmlFree> Must(
            xmlGetNsProp(Entry, BAD_CAST "mustUnderstand", BAD_CAST SoapEnvelopeNamespace.data()));
        if (Must && (View(Must.get()) == "1" || View(Must.get()) == "true")) {
          throw TSoapError("Error Processing Header " + Utf8ToCp1252(View(Entry->name)));
        }
      }
    } else if (IsSoapElement(Node, "Body")) {
      if (Body) throw TSoapError("Multiple body elements not supported");
      Body = Node;
    }
  }
  if (!Body) throw TSoapError("Invalid SOAP request");

  TSoapRequest Request;
  const xmlNode* Operation = FirstElement(Body->children);
  if (!Operation) throw TSoapError("No such method ");
  Request.Operation = Utf8ToCp1252(View(Operation->name));
  const auto References = ReferencedValues(Body);
  for (const xmlNode* Node = FirstElement(Operation->children); Node; Node = FirstElement(Node->next)) {
    const xmlNode* Value = Node;
    const std::unique_ptr<xmlChar, TXmlFree> Href(xmlGetProp(Node, BAD_CAST "href"));
    if (Href && View(Href.get()).starts_with('#')) {
      const auto Found = References.find(View(Href.get()).substr(1));
      if (Found != References.end()) Value = Found->second;
    }
    Request.Elements.emplace_back(Utf8ToCp1252(View(Node->name)), TextOf(Value));
  }
  return Request;
}

}  // namespace dravel
