#include "service/PublisherPages.h"

#include "service/InvokableRegistry.h"
#include "service/MarkupEscape.h"

namespace dravel {

namespace {

constexpr std::string_view TableStart =
    "<table border=1  cellspacing=1 cellpadding=1 style='border-collapse:collapse;border:none'>";

class TPage {
 public:
  void Line(std::string_view Text) { FText.append(Text).append("\r\n"); }
  void Cell(std::string_view Html) { Line("<td>" + std::string(Html) + "</td>"); }
  void Row(std::initializer_list<std::string_view> Cells) {
    Line("<tr>");
    for (std::string_view Html : Cells) Cell(Html);
    Line("</tr>");
  }
  std::string Text() && { return std::move(FText); }

 private:
  std::string FText;
};

std::string Link(const std::string& Target, const std::string& Text) {
  return "<a href=\"" + Target + "\">" + Text + "</a>";
}

std::string Listing(std::string_view Base, std::string_view Title, bool Administrator) {
  const std::string EscapedBase = XmlAttribute(Base);
  TPage Page;
  Page.Line("<html><body>");
  Page.Line("<title>" + std::string(Title) + "</title>");
  Page.Line("<h1>" + std::string(Title) + "</h1><p>");
  Page.Line(TableStart);
  Page.Row({"Port Type", "Namespace URI", "Documentation", "WSDL"});
  for (const TInterfaceInfo& Interface : RegisteredInterfaces()) {
    const std::string Name(Interface.Name);
    Page.Row({Name, Interface.Namespace, Interface.Documentation,
              Link(EscapedBase + "/" + Name, "WSDL for " + Name)});
  }
  Page.Line("</table>");
  if (!Administrator) {
    Page.Line("<form name=\"admin\" method=\"GET\" action=\"" + EscapedBase + "/admin\">");
    Page.Line("<input type=\"submit\" value=\"Administrator\">");
    Page.Line("</form>");
  }
  Page.Line("</html></body>");
  return std::move(Page).Text();
}

}  // namespace

std::string ListingPage(std::string_view Base) { return Listing(Base, "WebService Listing", false); }

std::string AdministratorPage(std::string_view Base) {
  return Listing(Base, "WebService Listing Administrator", true);
}

std::string PortPage(std::string_view Interface, const std::vector<TPortEntry>& Ports,
                     std::string_view Address) {
  const std::string Title = "WSDL Ports for PortType " + XmlText(Interface);
  TPage Page;
  Page.Line("<html><body>");
  Page.Line("<title>" + Title + "</title>");
  Page.Line("<h1>" + Title + "</h1>");
  Page.Line(TableStart);
  Page.Row({"PortName", "Address"});
  for (const TPortEntry& Port : Ports) Page.Row({XmlText(Port.Name), XmlText(Port.Address)});
  Page.Line("</table>");
  Page.Line("<p>");
  Page.Line("<form name=\"admin\" method=\"GET\" action=\"" + XmlAttribute(Address) + "\">");
  Page.Line(TableStart);
  Page.Row({"PortName", "Address"});
  Page.Row({"<input type=\"text\" name=\"PortName\" size=\"20\" maxlength=\"4096\">",
            "<input type=\"text\" name=\"Address\" size=\"40\" maxlength=\"4096\">"});
  Page.Line("</table>");
  Page.Line("<p>");
  Page.Line("<input type=\"submit\" name=\"COMMAND\" value=\"Add\">");
  Page.Line("<input type=\"submit\" name=\"COMMAND\" value=\"Remove\">");
  Page.Line("</form>");
  Page.Line("</html></body>");
  return std::move(Page).Text();
}

std::string InterfaceNotFoundPage(std::string_view Name) {
  return "<HTML><P>Interface " + XmlText(Name) + " not found</P></HTML>";
}

}  // namespace dravel
