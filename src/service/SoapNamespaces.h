#pragma once
// Namespace names of the SOAP messages and the WSDL documents.

#include <string_view>

namespace dravel {

inline constexpr std::string_view SoapEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view SoapEncodingNamespace = "http://schemas.xmlsoap.org/soap/encoding/";
// Types are written in the 1999 schema namespaces.
inline constexpr std::string_view Xsd1999Namespace = "http://www.w3.org/1999/XMLSchema";
inline constexpr std::string_view Xsi1999Namespace = "http://www.w3.org/1999/XMLSchema-instance";
inline constexpr std::string_view Xsd2001Namespace = "http://www.w3.org/2001/XMLSchema";
inline constexpr std::string_view WsdlNamespace = "http://schemas.xmlsoap.org/wsdl/";
inline constexpr std::string_view WsdlSoapNamespace = "http://schemas.xmlsoap.org/wsdl/soap/";
inline constexpr std::string_view SoapHttpTransport = "http://schemas.xmlsoap.org/soap/http";
// The target namespace of every WSDL document.
inline constexpr std::string_view WsdlTargetNamespace = "http://tempuri.org/";

}  // namespace dravel
