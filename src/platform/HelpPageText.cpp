#include "platform/HelpPage.h"

namespace dravel {

const std::vector<std::string>& HelpPageLines()
{
    static const std::vector<std::string> Lines{
        R"html(<HTML><HEAD><TITLE>Dravel Network Configuration</TITLE><BODY bgColor=#ffffff><H4>Basic Network Setup</H4>)html",
        R"html(Dravel can also be configured to monitor remote computers real-time over a LAN or the internet. To minimize the amount of network traffic the application generates, the update interval is by default twice the value of a local client.)html",
        R"html( If you want to run Dravel in Client/Server mode, just follow these two easy steps:<P>)html",
        R"html(<UL><LI>On the server, select "Act as Server" from the menu and enter the port number on which Dravel should communicate. If you don't know what this means leave the default setting alone.)html",
        R"html( You may also enter a password if you want to secure your connection.)html",
        R"html(<LI>On the client, start Dravel using this syntax: <BR><BR><FONT face="Courier New,Courier,Monaco">dravel -c -i<I>ip-of-server</I> -p<I>port-number</I> -d<I>password</I></FONT> </LI></UL>)html",
        R"html(<H4>Explanation:</H4> <TABLE cellSpacing=2 cellPadding=0 border=0>)html",
        R"html(<TR><TD>-c</TD><TD>indicates Dravel should start in client mode</TD></TR>)html",
        R"html(<TR><TD>-i</TD><TD>indicates the IP address that the Dravel server is running on. Note: DNS name works too now.</TD></TR>)html",
        R"html(<TR><TD>-p</TD><TD>indicates the port that the server is using)html",
        R"html(<TR><TD>-d</TD><TD>the password will prevent unauthorized connections and encrypt the data)html",
        R"html(</TABLE><P>So if the server has IP address 10.11.12.13 and uses port 6130 (the default) your command line will be:)html",
        R"html(<BLOCKQUOTE><FONT face="Courier New,Courier,Monaco">dravel -c -i10.11.12.13 -p6130</FONT></BLOCKQUOTE><BR>)html",
        R"html(<B>Firewall Configuration:</B><BR>)html",
        R"html(For servers behind a NAT router, be sure to use the public IP address and of course to forward the port to the Dravel server.)html",
        R"html(In case you want to monitor your system when you are behind a)html",
        R"html(firewall, it is possible to run a Dravel client though a SOCKS server.)html",
        R"html(In order to do this, download and install <A)html",
        R"html(href="https://github.com/rofl0r/proxychains-ng")html",
        R"html(target=_blank>SocksCap</A>, which will allow you to SOCKSify almost any)html",
        R"html(application. For more information on SOCKS, please visit <A)html",
        R"html(href="https://en.wikipedia.org/wiki/SOCKS" target=_blank>this</A> website.)html",
        R"html(<P>The firewall section is adapted from the SOCKS article of <A href="https://en.wikipedia.org/wiki/SOCKS" target=_blank>Wikipedia</A>.</P></BODY></HTML>)html",
    };
    return Lines;
}

} // namespace dravel
