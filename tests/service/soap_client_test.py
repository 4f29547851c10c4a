#!/usr/bin/python3
"""A real SOAP client (python3-zeep) against the service over loopback.

zeep reads the published WSDL but drops every operation of it: the message parts are
typed in the 1999 XML Schema namespace, which zeep does not know (it warns "contains an
invalid part ...: invalid xsd type or elements" for each message, then "The
wsdl:operation ... was not found in the wsdl:portType"). The test checks that this is
still the reason, then lets zeep call every operation through the same WSDL with the
schema namespace read as the 2001 one, sends raw SOAP requests, and finally has curl and
ab (apache2-utils) fetch the WSDL several times over kept connections.

Usage: soap_client_test.py <dravel_service_test_server>
"""

import http.client
import os
import subprocess
import sys
import tempfile
import urllib.request
import warnings
import xml.etree.ElementTree as ET

import zeep

XSD1999 = "http://www.w3.org/1999/XMLSchema"
XSD2001 = "http://www.w3.org/2001/XMLSchema"
ENV = "http://schemas.xmlsoap.org/soap/envelope/"


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def zeep_refuses_the_published_wsdl(url):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        client = zeep.Client(url)
    texts = [str(w.message) for w in caught]
    operations = client.wsdl.port_types["{http://tempuri.org/}IVantorWS"].operations
    check(not operations, "zeep now accepts the 1999 schema types; use the WSDL as published")
    check(any("GetProcUsageRequest' contains an invalid part ('Selection'): invalid xsd type" in t
              for t in texts), "unexpected refusal: %r" % texts[:3])
    print("zeep refuses the published WSDL:", texts[0])


def zeep_calls_every_operation(url, folder):
    wsdl = urllib.request.urlopen(url, timeout=30).read().decode("utf-8")
    check(XSD1999 in wsdl, "the WSDL types are in the 1999 schema namespace")
    path = os.path.join(folder, "IVantorWS.wsdl")
    with open(path, "w", encoding="utf-8") as f:
        f.write(wsdl.replace(XSD1999, XSD2001))
    service = zeep.Client(path).service
    expected = [
        ("GetFormattedItem", ("CPU <NAME=ProcUsage>%",), "CPU 13%"),
        ("GetVersion", (), 87),
        ("GetDriveSpace", ("C", "siUsed"), 750.0),
        ("GetDriveSpace", ("c", "siUsed"), 0.0),
        ("GetProcUsage", (0,), 12.5),
        ("GetProcUsage", (5,), 0.0),
        ("GetNetRead", (0,), 0.100000001490116),
        ("GetNetReadSum", (1,), 0.0),
        ("GetNetWrite", (2,), 0.0),
        ("GetNetWriteSum", (3,), 0.0),
        ("GetPage", ("siTotal",), 0),
        ("GetRAM", ("siTotal",), 3221225472),
        ("GetRAM", ("siUsed",), 2147483648),
        ("GetThreads", (), 321),
        ("GetProcesses", (), 45),
        ("GetUptime", (), 86400),
        ("GetCompName", (), "TESTHOST"),
        ("GetUser", (), "tester"),
    ]
    for name, args, want in expected:
        got = getattr(service, name)(*args)
        check(got == want, "%s%r gave %r, expected %r" % (name, args, got, want))
    when = service.GetDateTime()
    check((when.year, when.month, when.day, when.hour) == (2004, 3, 7, 0), "GetDateTime gave %r" % when)
    print("zeep called %d operations" % (len(expected) + 1))


def raw_call(port, path, body, headers=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    connection.request("POST", path, body=body.encode("utf-8"),
                       headers=dict({"Content-Type": "text/xml"}, **(headers or {})))
    response = connection.getresponse()
    result = (response.status, response.getheader("Content-Type"), response.read().decode("utf-8"))
    connection.close()
    return result


def envelope(operation):
    return ('<?xml version="1.0"?><soap:Envelope xmlns:soap="%s"><soap:Body>%s</soap:Body>'
            '</soap:Envelope>' % (ENV, operation))


def raw_soap_requests(port):
    status, content_type, text = raw_call(port, "/soap/IVantorWS", envelope("<getversion/>"))
    check((status, content_type) == (200, "text/xml"), "status %r %r" % (status, content_type))
    check(text.startswith("<?xml version=\"1.0\" encoding='UTF-8'?><SOAP-ENV:Envelope"), text)
    ret = ET.fromstring(text).find(".//return")
    check(ret.text == "87" and ret.get("{http://www.w3.org/1999/XMLSchema-instance}type") == "xsd:unsignedByte",
          text)
    _, _, text = raw_call(port, "/soap/IVantorWS",
                          envelope("<GetNetRead><Selection>0</Selection></GetNetRead>"),
                          {"SOAPAction": '"anything"'})
    check(ET.fromstring(text).find(".//return").text == "0.100000001490116", text)
    _, _, text = raw_call(port, "/soap", envelope("<GetVersion/>"))
    check(ET.fromstring(text).find(".//faultstring").text == "No interface  registered for URL /soap", text)
    _, _, text = raw_call(port, "/soap/IVantorWS", envelope("<GetPi/>"))
    check(ET.fromstring(text).find(".//faultstring").text == "No such method GetPi", text)
    print("raw SOAP requests answered")


def clients_keep_their_connections(port):
    wsdl = "http://127.0.0.1:%d/wsdl/IVantorWS" % port
    curl = subprocess.run(["curl", "-sv", "--max-time", "20", "-o", "/dev/null", "-o", "/dev/null", wsdl, wsdl],
                          capture_output=True, text=True, timeout=30)
    check(curl.returncode == 0, "curl failed: %s" % curl.stderr[-500:])
    check("Re-using existing connection" in curl.stderr, "curl opened a new connection: %s" % curl.stderr[-800:])
    ab = subprocess.run(["ab", "-k", "-n", "200", "-c", "4", "-s", "20", wsdl],
                        capture_output=True, text=True, timeout=60)
    check(ab.returncode == 0, "ab failed: %s" % ab.stderr[-500:])
    check("Failed requests:        0" in ab.stdout, ab.stdout)
    check("Keep-Alive requests:    200" in ab.stdout, ab.stdout)
    print("curl and ab -k kept their connections")


def main():
    server = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        port = int(server.stdout.readline())
        url = "http://127.0.0.1:%d/wsdl/IVantorWS" % port
        with tempfile.TemporaryDirectory() as folder:
            zeep_refuses_the_published_wsdl(url)
            zeep_calls_every_operation(url, folder)
            raw_soap_requests(port)
            clients_keep_their_connections(port)
    finally:
        server.stdin.close()
        server.wait(timeout=30)
    return 0


if __name__ == "__main__":
    sys.exit(main())
