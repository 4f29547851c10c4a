// SOAP calls through the web module: routing, parameters, responses and every fault.
#include <gtest/gtest.h>

#include <filesystem>

#include "service/SOAPIndyWM.h"
#include "ServiceFixture.h"
#include "SoapMessages.h"

namespace dravel {
namespace {

using test::DispatcherFault;
using test::InvokerFault;
using test::SoapRequest;
using test::SoapResponse;

class SoapDispatchTest : public ::testing::Test {
 protected:
  SoapDispatchTest() { Panel.Shell.Data.Marker = 'W'; }

  TWebResponse Post(const std::string& Content, const std::string& Path = "/soap/IVantorWS") {
    return Module.HandleRequest({"POST", Path, "localhost:61300", Content});
  }
  std::string Call(const std::string& Operation) { return Post(SoapRequest(Operation)).Content; }

  test::TPanelState Panel;
  TRawData& Data = Panel.Shell.Data;
  const std::filesystem::path Folder = std::filesystem::path(::testing::TempDir()) / "soap_dispatch";
  TPortListFile PortList{Folder / "a.INI", Folder / "b.INI"};
  TwmSOAPIndy Module{Panel.State, PortList};
};

TEST_F(SoapDispatchTest, ResponseEnvelopeByteForByte) {
  const TWebResponse Response = Post(SoapRequest("<m:GetVersion xmlns:m=\"urn:VantorIntf-IVantorWS\"/>"));
  EXPECT_EQ(Response.StatusCode, 200);
  EXPECT_EQ(Response.ContentType, "text/xml");
  EXPECT_EQ(Response.Content, SoapResponse("GetVersion", "unsignedByte", "87"));
}

TEST_F(SoapDispatchTest, OperationAndInterfaceMatchWithoutCaseNamespaceIgnored) {
  EXPECT_EQ(Call("<getversion/>"), SoapResponse("GetVersion", "unsignedByte", "87"));
  EXPECT_EQ(Post(SoapRequest("<x:GETVERSION xmlns:x=\"urn:other\"/>"), "/SOAP/ivantorws").Content,
            SoapResponse("GetVersion", "unsignedByte", "87"));
  EXPECT_EQ(Post(SoapRequest("<GetVersion/>"), "/soapy/IVantorWS").Content,
            SoapResponse("GetVersion", "unsignedByte", "87"));
}

TEST_F(SoapDispatchTest, EveryResultTypeIsWrittenInItsForm) {
  Data.ProcUsage[0] = 0.1f;
  Data.NetRead[2] = 1.5f;
  Data.NetSumRead[0] = 1.0e20f;
  Data.NetWrite[1] = -0.0f;
  Data.NetSumWrite[4] = 7.0f;
  Data.Drives[0] = {'C', {}, 1000.0f, 250.0f};
  WriteMemory(Data, TMemoryField::RAMTotal, 3ull << 30);
  WriteMemory(Data, TMemoryField::PageTotal, 100);
  WriteMemory(Data, TMemoryField::PageFree, 200);
  Data.Threads = -5;
  Data.Processes = 77;
  Data.Uptime = -12;
  Data.DateTime = 38053.0;
  WriteShortName(Data.CompName, "HOST&<1>");
  WriteShortName(Data.UserName, "J\xFCrgen");  // ü in code page 1252

  EXPECT_EQ(Call("<GetProcUsage><Selection>0</Selection></GetProcUsage>"),
            SoapResponse("GetProcUsage", "float", "0.100000001490116"));
  EXPECT_EQ(Call("<GetNetRead><Selection>2</Selection></GetNetRead>"), SoapResponse("GetNetRead", "float", "1.5"));
  EXPECT_EQ(Call("<GetNetReadSum><Selection>0</Selection></GetNetReadSum>"),
            SoapResponse("GetNetReadSum", "float", "1.00000002004088E20"));
  EXPECT_EQ(Call("<GetNetWrite><Selection>1</Selection></GetNetWrite>"), SoapResponse("GetNetWrite", "float", "0"));
  EXPECT_EQ(Call("<GetNetWriteSum><Selection>4</Selection></GetNetWriteSum>"),
            SoapResponse("GetNetWriteSum", "float", "7"));
  EXPECT_EQ(Call("<GetDriveSpace><Selection>C</Selection><SubItem>siUsed</SubItem></GetDriveSpace>"),
            SoapResponse("GetDriveSpace", "float", "750"));
  EXPECT_EQ(Call("<GetRAM><SubItem>siTotal</SubItem></GetRAM>"), SoapResponse("GetRAM", "unsignedInt", "3221225472"));
  EXPECT_EQ(Call("<GetPage><SubItem>siUsed</SubItem></GetPage>"), SoapResponse("GetPage", "unsignedInt", "4294967196"));
  EXPECT_EQ(Call("<GetThreads/>"), SoapResponse("GetThreads", "short", "-5"));
  EXPECT_EQ(Call("<GetProcesses/>"), SoapResponse("GetProcesses", "short", "77"));
  EXPECT_EQ(Call("<GetUptime/>"), SoapResponse("GetUptime", "long", "-12"));
  EXPECT_EQ(Call("<GetDateTime/>"), SoapResponse("GetDateTime", "dateTime", "2004-03-07"));
  EXPECT_EQ(Call("<GetCompName/>"), SoapResponse("GetCompName", "string", "HOST&amp;&lt;1&gt;"));
  EXPECT_EQ(Call("<GetUser/>"), SoapResponse("GetUser", "string", "J\xC3\xBCrgen"));
}

TEST_F(SoapDispatchTest, FormattedItemTravelsAsTextBothWays) {
  Panel.Registry.DecideIfActive("<NAME=ProcUsage>");
  Data.ProcUsage[0] = 42.0f;
  EXPECT_EQ(Call("<GetFormattedItem><FormatString>&lt;B&gt;\xC3\xBC &lt;NAME=ProcUsage&gt;%</FormatString>"
                 "</GetFormattedItem>"),
            SoapResponse("GetFormattedItem", "string", "&lt;B&gt;\xC3\xBC 42%"));
}

TEST_F(SoapDispatchTest, ParametersMatchWithoutCaseInAnyOrderLaterDuplicateWins) {
  Data.Drives[0] = {'D', {}, 1000.0f, 250.0f};
  Data.ProcUsage[3] = 33.0f;
  EXPECT_EQ(Call("<GetDriveSpace><subitem>SITOTAL</subitem><Other>x</Other><SELECTION>D</SELECTION>"
                 "</GetDriveSpace>"),
            SoapResponse("GetDriveSpace", "float", "1000"));
  EXPECT_EQ(Call("<GetProcUsage><Selection>1</Selection><selection> 3 </selection></GetProcUsage>"),
            SoapResponse("GetProcUsage", "float", "33"));
}

TEST_F(SoapDispatchTest, MissingParametersKeepTheirZeroValue) {
  Data.ProcUsage[0] = 12.0f;
  WriteMemory(Data, TMemoryField::RAMFree, 4096);
  EXPECT_EQ(Call("<GetProcUsage/>"), SoapResponse("GetProcUsage", "float", "12"));
  EXPECT_EQ(Call("<GetRAM/>"), SoapResponse("GetRAM", "unsignedInt", "4096"));
  EXPECT_EQ(Call("<GetDriveSpace/>"), SoapResponse("GetDriveSpace", "float", "0"));
  EXPECT_EQ(Call("<GetFormattedItem/>"), SoapResponse("GetFormattedItem", "string", ""));
}

TEST_F(SoapDispatchTest, OutOfRangeSelectionsAndUnknownSubItemsGiveZero) {
  Data.ProcUsage[0] = 12.0f;
  WriteMemory(Data, TMemoryField::RAMFree, 4096);
  EXPECT_EQ(Call("<GetProcUsage><Selection>5</Selection></GetProcUsage>"), SoapResponse("GetProcUsage", "float", "0"));
  EXPECT_EQ(Call("<GetProcUsage><Selection>-1</Selection></GetProcUsage>"), SoapResponse("GetProcUsage", "float", "0"));
  // Stored in 8 bits: 256 selects element 0.
  EXPECT_EQ(Call("<GetProcUsage><Selection>256</Selection></GetProcUsage>"), SoapResponse("GetProcUsage", "float", "12"));
  EXPECT_EQ(Call("<GetRAM><SubItem>siAll</SubItem></GetRAM>"), SoapResponse("GetRAM", "unsignedInt", "0"));
}

TEST_F(SoapDispatchTest, MultiReferenceValuesAreFollowed) {
  Data.ProcUsage[2] = 5.0f;
  EXPECT_EQ(Post("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                 "<GetProcUsage><Selection href=\"#v1\"/></GetProcUsage><Value id=\"v1\">2</Value>"
                 "</soap:Body></soap:Envelope>")
                .Content,
            SoapResponse("GetProcUsage", "float", "5"));
}

TEST_F(SoapDispatchTest, NoInterfaceForTheLastSegment) {
  EXPECT_EQ(Post(SoapRequest("<GetVersion/>"), "/soap").Content,
            DispatcherFault("No interface  registered for URL /soap"));
  EXPECT_EQ(Post(SoapRequest("<GetVersion/>"), "/soap/IVantorWS/x").Content,
            DispatcherFault("No interface  registered for URL /soap/IVantorWS/x"));
  EXPECT_EQ(Post(SoapRequest("<GetVersion/>"), "/soap/&").Content,
            DispatcherFault("No interface  registered for URL /soap/&amp;"));
}

TEST_F(SoapDispatchTest, EnvelopeFaults) {
  EXPECT_EQ(Post("").Content, InvokerFault("Invalid SOAP request"));
  EXPECT_EQ(Post("<Envelope><Body><GetVersion/></Body></Envelope>").Content, InvokerFault("Invalid SOAP request"));
  EXPECT_EQ(Post("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body/></e:Envelope>").Content,
            InvokerFault("Invalid SOAP request"));
  EXPECT_EQ(Post("<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetVersion/></s:Body>"
                 "<s:Body><GetVersion/></s:Body></s:Envelope>")
                .Content,
            InvokerFault("Multiple body elements not supported"));
  EXPECT_EQ(Call("<GetAnswer/>"), InvokerFault("No such method GetAnswer"));
  EXPECT_EQ(Call("<GetProcUsage><Selection>two</Selection></GetProcUsage>"),
            InvokerFault("'two' is not a valid integer value"));
}

TEST_F(SoapDispatchTest, HeaderEntriesThatMustBeUnderstoodFail) {
  const std::string Envelope =
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Header>"
      "<t:Trace xmlns:t=\"urn:t\">1</t:Trace>%MUST%</s:Header><s:Body><GetVersion/></s:Body></s:Envelope>";
  std::string Plain = Envelope;
  Plain.replace(Plain.find("%MUST%"), 6, "");
  EXPECT_EQ(Post(Plain).Content, SoapResponse("GetVersion", "unsignedByte", "87"));
  std::string Must = Envelope;
  Must.replace(Must.find("%MUST%"), 6, "<t:Session xmlns:t=\"urn:t\" s:mustUnderstand=\"1\">9</t:Session>");
  EXPECT_EQ(Post(Must).Content, InvokerFault("Error Processing Header Session"));
}

TEST_F(SoapDispatchTest, ContentThatIsNotWellFormedGivesTheParserMessage) {
  EXPECT_EQ(Post("<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>").Content,
            InvokerFault("Premature end of data in tag Body line 1"));
  // A query is appended to the content after CR LF, which spoils the message.
  EXPECT_EQ(Post(SoapRequest("<GetVersion/>") + "\r\nx=1").Content, InvokerFault("Extra content at the end of the document"));
}

TEST_F(SoapDispatchTest, EncodingErrorsBecomeFaultsWithoutTerminalOutput) {
  ::testing::internal::CaptureStderr();
  const TWebResponse Response = Post("<?xml version='1.0' encoding='ISO-2022-JP'?><a>\x92</a>");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_NE(Response.Content.find("<faultcode>SOAP-ENV:Server</faultcode>"), std::string::npos);
}

TEST_F(SoapDispatchTest, DocumentTypeDeclarationsAreRefusedBeforeAnyEntityIsRead) {
  const std::string Expected =
      InvokerFault("Document type declarations are not allowed in SOAP messages");
  const std::string Bomb =
      "<?xml version=\"1.0\"?><!DOCTYPE s:Envelope [<!ENTITY a \"aaaaaaaaaa\">"
      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><GetFormattedItem>"
      "<FormatString>&c;</FormatString></GetFormattedItem></s:Body></s:Envelope>";
  EXPECT_EQ(Post(Bomb).Content, Expected);
  const std::string External =
      "<!DOCTYPE x SYSTEM \"file:///etc/passwd\"><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
      "<s:Body><GetVersion/></s:Body></s:Envelope>";
  EXPECT_EQ(Post(External).Content, Expected);
}

TEST_F(SoapDispatchTest, AfterAFaultTheNextCallIsServed) {
  EXPECT_EQ(Post("<<<").StatusCode, 200);
  EXPECT_EQ(Call("<GetVersion/>"), SoapResponse("GetVersion", "unsignedByte", "87"));
}

TEST_F(SoapDispatchTest, OnlyPostReachesTheDispatcher) {
  const TWebResponse Response = Module.HandleRequest({"GET", "/soap/IVantorWS", "h", SoapRequest("<GetVersion/>")});
  EXPECT_EQ(Response.StatusCode, 200);
  EXPECT_EQ(Response.ContentType, "text/html");
  EXPECT_EQ(Response.Content, "");
  EXPECT_EQ(Module.HandleRequest({"POST", "/other", "h", SoapRequest("<GetVersion/>")}).Content, "");
}

TEST_F(SoapDispatchTest, PublisherInterfaceAnswersOverSoap) {
  EXPECT_EQ(Post(SoapRequest("<GetPortTypeList/>"), "/soap/IWSDLPublish").Content,
            "<?xml version=\"1.0\" encoding='UTF-8'?>"
            "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
            "xmlns:xsd=\"http://www.w3.org/1999/XMLSchema\" "
            "xmlns:xsi=\"http://www.w3.org/1999/XMLSchema-instance\" "
            "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
            "<SOAP-ENV:Body><NS1:GetPortTypeListResponse xmlns:NS1=\"urn:WSDLPub-IWSDLPublish\" "
            "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
            "<PortTypes xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"xsd:string[2]\">"
            "<item xsi:type=\"xsd:string\">IVantorWS</item><item xsi:type=\"xsd:string\">IWSDLPublish</item>"
            "</PortTypes></NS1:GetPortTypeListResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>");
  const std::string Wsdl =
      Post(SoapRequest("<GetWSDLForPortType><PortType>IVantorWS</PortType></GetWSDLForPortType>"),
           "/soap/IWSDLPublish")
          .Content;
  EXPECT_NE(Wsdl.find("&lt;portType name=\"IVantorWS\"&gt;"), std::string::npos);
  const std::string Schema =
      Post(SoapRequest("<GetXSDForTypeSystem><TypeSystem>urn:VantorIntf</TypeSystem></GetXSDForTypeSystem>"),
           "/soap/IWSDLPublish")
          .Content;
  EXPECT_NE(Schema.find("&lt;xs:enumeration value=\"siUsed\"/&gt;"), std::string::npos);
}

}  // namespace
}  // namespace dravel
