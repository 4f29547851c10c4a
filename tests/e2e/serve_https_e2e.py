#!/usr/bin/env python3
"""`dravel --serve` over HTTPS end to end: a certificate made by openssl and named in the
server's store, curl fetching the WSDL (its address https) and making a SOAP call with
the certificate as its only trust, one kept connection for two requests, a TLS 1.1 client
refused where the same client with TLS 1.2 gets in, a plain HTTP caller closed without
an answer, and a key file that cannot be read ending the start with a line naming it.

Usage: serve_https_e2e.py <dravel>
"""
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import warnings

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from link_e2e import free_port, seed  # noqa: E402
from panel_e2e import fail  # noqa: E402
from serve_support import Server, headless_env  # noqa: E402

KEY = "Software\\KelmarSoftware\\Dravel"
SOAP_GET_VERSION = (
    '<?xml version="1.0"?><SOAP-ENV:Envelope '
    'xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/">'
    '<SOAP-ENV:Body><NS1:GetVersion xmlns:NS1="urn:VantorIntf-IVantorWS"/>'
    '</SOAP-ENV:Body></SOAP-ENV:Envelope>')


def make_certificate(folder):
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                    "-keyout", os.path.join(folder, "key.pem"), "-out", os.path.join(folder, "cert.pem")],
                   check=True, capture_output=True, timeout=30)
    return os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")


def curl(cert, port, *args):
    run = subprocess.run(["curl", "-sS", "--max-time", "10", "--resolve", "localhost:%d:127.0.0.1" % port,
                          "--cacert", cert, *args], capture_output=True, text=True, timeout=20)
    return run.returncode, run.stdout


def handshake(cert, port, highest):
    """True when a client that goes no higher than highest completes a handshake."""
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    context.load_verify_locations(cert)
    context.set_ciphers("DEFAULT@SECLEVEL=0")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)  # old versions are the point here
        context.minimum_version = ssl.TLSVersion.TLSv1
        context.maximum_version = highest
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=5) as raw:
            with context.wrap_socket(raw, server_hostname="localhost"):
                return True
    except (ssl.SSLError, OSError):
        return False


def plain_answer(port):
    with socket.create_connection(("127.0.0.1", port), timeout=5) as raw:
        raw.sendall(b"GET /wsdl HTTP/1.1\r\nHost: localhost\r\n\r\n")
        got = b""
        try:
            while chunk := raw.recv(4096):
                got += chunk
        except OSError:
            pass
        return got


def main():
    dravel = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="dravel-https-e2e-") as home:
        # The port list file beside the executable: an earlier one is kept aside meanwhile, so
        # that the https entries of this run reach no other test.
        beside = os.path.splitext(dravel)[0] + "_WSDLADMIN.INI"
        kept = os.path.join(home, "kept.INI")
        if os.path.exists(beside):
            shutil.move(beside, kept)
        try:
            check(dravel, home)
        finally:
            if os.path.exists(beside):
                os.remove(beside)
            if os.path.exists(kept):
                shutil.move(kept, beside)
    print("serve_https_e2e: ok")


def check(dravel, home):
    env = headless_env(home)
    cert, key = make_certificate(home)
    seed(home, KEY, {"Version": 87, "WebServiceCert": cert, "WebServiceKey": key})
    web_port = free_port()
    server = Server(dravel, env, "--link-port", str(free_port()), "--web-port=%d" % web_port)
    try:
        if not any("web port %d (https)" % web_port in line for line in server.lines):
            fail("the start line does not say https: %r" % server.lines)
        base = "https://localhost:%d" % web_port
        status, wsdl = curl(cert, web_port, base + "/wsdl/IVantorWS")
        if status != 0 or 'location="%s/soap/IVantorWS"' % base not in wsdl:
            fail("the WSDL over HTTPS (curl %d): %s" % (status, wsdl[:400]))
        status, answer = curl(cert, web_port, "-H", "Content-Type: text/xml", "-H",
                              'SOAPAction: "urn:VantorIntf-IVantorWS#GetVersion"',
                              "--data-binary", SOAP_GET_VERSION, base + "/soap/IVantorWS")
        if status != 0 or ">87</return>" not in answer:
            fail("GetVersion over HTTPS (curl %d): %s" % (status, answer[:400]))
        status, connects = curl(cert, web_port, "-o", "/dev/null", "-o", "/dev/null", "-w", "%{num_connects} ",
                                base + "/wsdl", base + "/wsdl/IVantorWS")
        if status != 0 or connects.split() != ["1", "0"]:
            fail("two requests did not share one connection: %r" % connects)
        if handshake(cert, web_port, ssl.TLSVersion.TLSv1_1):
            fail("a TLS 1.1 client was let in")
        if not handshake(cert, web_port, ssl.TLSVersion.TLSv1_2):
            fail("the same client with TLS 1.2 was refused")
        if b"HTTP/" in plain_answer(web_port):
            fail("plain HTTP on the HTTPS port got an HTTP answer")
        if curl(cert, web_port, "-o", "/dev/null", base + "/wsdl")[0] != 0:
            fail("the server did not serve after the plain caller")
    finally:
        status, _ = server.stop()
    if status != 0:
        fail("SIGTERM ended the server with %r: %r" % (status, server.lines))

    missing = os.path.join(home, "gone.pem")
    seed(home, KEY, {"WebServiceKey": missing})
    run = subprocess.run([dravel, "--serve", "--link-port", str(free_port()), "--web-port=%d" % web_port],
                         env=env, capture_output=True, text=True, timeout=20)
    expected = ('dravel: cannot listen on web port %d: The web service key "%s" (WebServiceKey) '
                'could not be read: No such file or directory' % (web_port, missing))
    if run.returncode != 1 or expected not in run.stderr:
        fail("a missing key file: status %d, %r" % (run.returncode, run.stderr))


if __name__ == "__main__":
    main()
