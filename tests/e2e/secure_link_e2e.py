#!/usr/bin/env python3
"""The authenticated link end to end: a serving `dravel` and `dravel --secure` clients on
loopback, under a private Xvfb.

A server panel whose store says it serves (port, "Server", password); a client started
with "-c -i127.0.0.1 -p<port> -d<password> --secure" shows the server's figures (its
computer-name line drawn exactly as the server's) and keeps refreshing; so does one whose
per-server key holds "Secure" = 1 instead of the option; neither shows a message; a client
with a wrong password shows one message box (the refusal, "The server refused the link
password", its text checked by the window tests), and still only one after many more
refused attempts.

Usage: secure_link_e2e.py <path to dravel>
"""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_support import dialogs  # noqa: E402
from link_e2e import (FORMAT_TEXT, MAIN_KEY, Panel, free_port, keeps_refreshing,  # noqa: E402
                      listening, same_line, seed)
from panel_e2e import Xvfb, fail, wait_for  # noqa: E402

PASSWORD = "two words"  # in lower case: "-d" lowers what it is given
CLIENT_INTERVAL = 300


def main():
    if len(sys.argv) != 2:
        fail("usage: secure_link_e2e.py <dravel>")
    dravel = os.path.abspath(sys.argv[1])
    port = free_port()
    xvfb = Xvfb()
    panels = []
    try:
        with tempfile.TemporaryDirectory() as root:
            places = iter(range(20, 1200, 250))

            def home(name, server=False, stored_secure=False):
                path = os.path.join(root, name)
                os.makedirs(path)
                # Side by side: a screenshot takes whatever covers the window.
                place = {"X": next(places), "Y": 100}
                # Xvfb has no notification area; the notice saying so was seen before.
                if server:
                    seed(path, MAIN_KEY, {"Version": 87, "Server": 1, "ServPort": port,
                                          "Password": PASSWORD, "FormatString": FORMAT_TEXT,
                                          "NoTrayNoticeShown": 1, **place})
                else:
                    seed(path, MAIN_KEY, {"Version": 87})
                    values = {"FormatString": FORMAT_TEXT, "Interval": CLIENT_INTERVAL,
                              "NoTrayNoticeShown": 1, **place}
                    if stored_secure:
                        values["Secure"] = 1
                    seed(path, MAIN_KEY + "\\127.0.0.1:%d" % port, values)
                return path

            def client(name, password, option=True):
                args = ["-c", "-i127.0.0.1", "-p%d" % port, "-d" + password]
                if option:
                    args.append("--secure")
                panel = Panel(dravel, xvfb.display, home(name, stored_secure=not option), args)
                panels.append(panel)
                return panel

            server = Panel(dravel, xvfb.display, home("server", server=True))
            panels.append(server)
            wait_for("the server to listen on %d" % port, lambda: listening(port))
            name_line = wait_for("the server's computer-name line", lambda: server.line(0))

            first = client("option", PASSWORD)
            wait_for("the --secure client to show the server's figures",
                     lambda: same_line(first.line(0), name_line))
            keeps_refreshing(first, "--secure client")

            stored = client("stored", PASSWORD, option=False)
            wait_for("the client with Secure = 1 stored to show the server's figures",
                     lambda: same_line(stored.line(0), name_line))
            keeps_refreshing(stored, "client with Secure stored")
            for panel, what in ((first, "--secure client"), (stored, "stored client")):
                if dialogs(panel.env, panel.proc.pid):
                    fail("the %s shows a message" % what)

            wrong = client("wrong", "not the password")
            # The box's text is not readable from outside on X11 (the window tests check
            # it); the box is this client's only message, and the right clients show none.
            box = wait_for("the refusal's message box",
                           lambda: (dialogs(wrong.env, wrong.proc.pid) or [None])[0])
            # Its link tries again at every tick meanwhile: a dozen more refusals.
            time.sleep(15 * CLIENT_INTERVAL / 1000)
            shown = dialogs(wrong.env, wrong.proc.pid)
            if shown != [box]:
                fail("after more refused attempts the wrong client shows %d message boxes"
                     % len(shown))
            if same_line(wrong.line(0), name_line):
                fail("a refused client shows the server's figures")
    finally:
        for panel in panels:
            panel.stop()
        xvfb.stop()
    print("secure link end to end: OK")


if __name__ == "__main__":
    main()
