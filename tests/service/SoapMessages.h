#pragma once
// Request and response texts of the SOAP tests.

#include <string>
#include <string_view>

namespace dravel::test {

// A SOAP 1.1 request whose Body holds Operation (with its children) as given.
inline std::string SoapRequest(std::string_view Operation) {
  return "<?xml version=\"1.0\"?>"
         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<soap:Body>" +
         std::string(Operation) + "</soap:Body></soap:Envelope>";
}

// The response envelope of an IVantorWS operation as the service writes it.
inline std::string SoapResponse(std::string_view Operation, std::string_view Type, std::string_view Value) {
  return "<?xml version=\"1.0\" encoding='UTF-8'?>"
         "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:xsd=\"http://www.w3.org/1999/XMLSchema\" "
         "xmlns:xsi=\"http://www.w3.org/1999/XMLSchema-instance\" "
         "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<SOAP-ENV:Body><NS1:" +
         std::string(Operation) +
         "Response xmlns:NS1=\"urn:VantorIntf-IVantorWS\" "
         "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<return xsi:type=\"xsd:" +
         std::string(Type) + "\">" + std::string(Value) + "</return></NS1:" + std::string(Operation) +
         "Response></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

inline std::string InvokerFault(std::string_view Message) {
  return "<?xml version=\"1.0\" encoding='UTF-8'?>"
         "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:xsd=\"http://www.w3.org/1999/XMLSchema\" "
         "xmlns:xsi=\"http://www.w3.org/1999/XMLSchema-instance\" "
         "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>" +
         std::string(Message) + "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

inline std::string DispatcherFault(std::string_view Message) {
  return "<?xml version=\"1.0\" encoding='UTF-8'?>"
         "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>" +
         std::string(Message) + "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

}  // namespace dravel::test
