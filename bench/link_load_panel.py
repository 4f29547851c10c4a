#!/usr/bin/env python3
"""The link load against a real serving panel: a `dravel` server on a private Xvfb display,
200 encrypted clients on loopback each asking every 100 ms for 20 s (link_load_driver),
and the server's own panel checked to keep refreshing while it serves.

Usage: bench/link_load_panel.py <dravel> <link_load_driver> [seconds]
Prints the driver's figures (replies per second, server CPU) and PASS or FAIL.
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import link_e2e  # noqa: E402
from panel_e2e import Xvfb  # noqa: E402


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    dravel, driver = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    seconds = int(sys.argv[3]) if len(sys.argv) == 4 else 20
    port = link_e2e.free_port()
    xvfb = Xvfb()
    server = None
    try:
        with tempfile.TemporaryDirectory() as home:
            link_e2e.seed(home, link_e2e.MAIN_KEY, {
                "Version": 87, "Server": 1, "ServPort": port, "Password": link_e2e.PASSWORD,
                "FormatString": link_e2e.FORMAT_TEXT, "NoTrayNoticeShown": 1})
            server = link_e2e.Panel(dravel, xvfb.display, home)
            link_e2e.wait_for("the server to listen", lambda: link_e2e.listening(port))
            load = subprocess.Popen([driver, "127.0.0.1:%d" % port, "--password", link_e2e.PASSWORD,
                                     "--seconds", str(seconds), "--server-pid", str(server.proc.pid)])
            # The clock line of the server's own panel, looked at through the run.
            changes, line = 0, server.line(1)
            end = time.monotonic() + seconds - 1
            while time.monotonic() < end:
                time.sleep(1)
                now = server.line(1)
                changes += not link_e2e.same_line(now, line)
                line = now
            status = load.wait(timeout=seconds + 30)
            refreshing = changes >= (seconds - 1) // 2
            print("server panel: %d clock changes in %d s (%s)" %
                  (changes, seconds - 1, "refreshing" if refreshing else "NOT refreshing"))
            ok = status == 0 and refreshing
            print("PASS" if ok else "FAIL")
            return 0 if ok else 1
    finally:
        if server is not None:
            server.stop()
        xvfb.stop()


if __name__ == "__main__":
    sys.exit(main())
