#!/usr/bin/env python3
"""The WSDL's address follows the web service to another port, on a private Xvfb display.

A panel serves the web service on one port; a client's first WSDL request makes the port
list file with that address. The panel is closed, its stored port changed, and it is
started again: the WSDL now names the new port, a SOAP call to that address is answered,
and an entry edited by hand for another host is kept. Run twice: with the program in the
build tree (the file beside it) and installed into a prefix whose bin folder the user
cannot write (the file in the settings folder, as for /usr/bin).

Usage: webservice_port_e2e.py <path to dravel> <build folder>
"""
import os
import shutil
import subprocess
import sys
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_support import fail, on_display, wait_for  # noqa: E402
from link_e2e import MAIN_KEY, Panel, free_port, listening, seed  # noqa: E402

ENVELOPE = ('<?xml version="1.0"?><SOAP-ENV:Envelope xmlns:SOAP-ENV='
            '"http://schemas.xmlsoap.org/soap/envelope/"><SOAP-ENV:Body>'
            '<GetVersion xmlns="urn:VantorIntf-IVantorWS"/></SOAP-ENV:Body></SOAP-ENV:Envelope>')
HAND_EDITED = "Remote=http://monitor.example.org:61300/soap/IVantorWS"


def get(url):
    with urllib.request.urlopen(url, timeout=10) as answer:
        return answer.read().decode("utf-8")


def published_address(port):
    """The address of the program's own port entry in the WSDL, and the WSDL."""
    wsdl = get("http://127.0.0.1:%d/wsdl/IVantorWS" % port)
    start = wsdl.find('<soap:address location="', wsdl.find('<port name="IVantorWSPort"'))
    if start < 0:
        fail("the WSDL names no address:\n" + wsdl[-2000:])
    start += len('<soap:address location="')
    return wsdl[start:wsdl.index('"', start)], wsdl


def serve(dravel, display, home, port, user):
    seed(home, MAIN_KEY, {"Version": 87, "NoTrayNoticeShown": 1, "WebService": 1,
                          "WebServicePort": port})
    if user:
        subprocess.run(["chown", "-R", user, home], check=True)
    if user:
        # The same process (setpriv execs the panel), under the user's ids.
        panel = Panel("/usr/bin/setpriv", display, home,
                      ["--reuid=" + user, "--regid=nogroup", "--clear-groups", dravel])
    else:
        panel = Panel(dravel, display, home)
    wait_for("the web service on port %d" % port, lambda: listening(port))
    return panel


def check_layout(name, dravel, display, home, port_list, user=None):
    print("-- %s: port list %s" % (name, port_list), flush=True)
    first, second = free_port(), free_port()
    while second == first:
        second = free_port()
    panel = serve(dravel, display, home, first, user)
    address, _ = published_address(first)
    if address != "http://127.0.0.1:%d/soap/IVantorWS" % first:
        fail("the first run publishes %s" % address)
    if not os.path.exists(port_list):
        fail("no port list file at " + port_list)
    panel.stop()
    # A user's own entry for another host, in the interface's section.
    with open(port_list) as f:
        text = f.read()
    with open(port_list, "w") as f:
        f.write(text.replace("[IVantorWS]\n", "[IVantorWS]\n" + HAND_EDITED + "\n", 1))

    panel = serve(dravel, display, home, second, user)
    try:
        address, wsdl = published_address(second)
        if address != "http://127.0.0.1:%d/soap/IVantorWS" % second:
            fail("after the move to port %d the WSDL still publishes %s" % (second, address))
        if HAND_EDITED.split("=", 1)[1] not in wsdl:
            fail("the hand-edited entry was lost:\n" + wsdl[wsdl.find("<service"):])
        request = urllib.request.Request(address, data=ENVELOPE.encode(), method="POST",
                                         headers={"Content-Type": "text/xml"})
        with urllib.request.urlopen(request, timeout=10) as answer:
            reply = answer.read().decode("utf-8")
        if "GetVersionResponse" not in reply:
            fail("the published address does not answer SOAP:\n" + reply)
    finally:
        panel.stop()
    print("   %s -> %s" % (first, address), flush=True)


def install(build, prefix):
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)


def check(paths, display, root, started):
    dravel, build = paths
    # The build tree: the file beside the executable, an earlier one kept aside meanwhile.
    beside = os.path.splitext(dravel)[0] + "_WSDLADMIN.INI"
    kept = os.path.join(root, "kept.INI")
    if os.path.exists(beside):
        shutil.move(beside, kept)
    try:
        check_layout("build tree", dravel, display, os.path.join(root, "b"), beside)
    finally:
        if os.path.exists(beside):
            os.remove(beside)
        if os.path.exists(kept):
            shutil.move(kept, beside)

    # Installed, with a bin folder the user cannot write.
    prefix = os.path.join(root, "usr")
    install(build, prefix)
    home = os.path.join(root, "i")
    user = None
    if os.geteuid() == 0:
        user = "nobody"  # root writes anywhere; a user does not
        os.makedirs(home)
    else:
        os.chmod(os.path.join(prefix, "bin"), 0o555)
    settings = os.path.join(home, "config", "dravel", "dravel_WSDLADMIN.INI")
    try:
        check_layout("installed", os.path.join(prefix, "bin", "dravel"), display, home, settings,
                     user)
    finally:
        os.chmod(os.path.join(prefix, "bin"), 0o755)
    if os.path.exists(os.path.join(prefix, "bin", "dravel_WSDLADMIN.INI")):
        fail("the installed panel wrote into its bin folder")
    print("the WSDL's address follows the web service's port: OK")


if __name__ == "__main__":
    on_display("webservice_port_e2e.py <dravel> <build folder>", check)
