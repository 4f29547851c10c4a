#!/usr/bin/env python3
"""A panel on a private Xvfb display and a headless `dravel --serve` of the same user at
once, each serving its link and web service on ports of its own; a second --serve ends
with 1 while the panel's own single-instance lock is left alone.

Usage: serve_beside_panel_e2e.py <dravel>
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from link_e2e import Panel, free_port, listening, seed  # noqa: E402
from panel_e2e import DEADLINE, Xvfb, fail, wait_for  # noqa: E402
from serve_support import Server, headless_env  # noqa: E402

KEY = "Software\\KelmarSoftware\\Dravel"


def main():
    if len(sys.argv) != 2:
        fail("usage: serve_beside_panel_e2e.py <dravel>")
    dravel = os.path.abspath(sys.argv[1])
    xvfb = Xvfb()
    panel = server = None
    try:
        with tempfile.TemporaryDirectory() as home:
            ports = [free_port() for _ in range(4)]
            seed(home, KEY, {"Version": 87, "ServPort": ports[0], "Server": 1,
                             "WebServicePort": ports[1], "WebService": 1})
            env = headless_env(home)
            panel = Panel(dravel, xvfb.display, home)
            wait_for("the panel's link and web service", lambda: listening(ports[0]) and listening(ports[1]))
            # Same user, same runtime folder as the panel; its own store.
            env["XDG_RUNTIME_DIR"] = panel.env["XDG_RUNTIME_DIR"]
            server = Server(dravel, env, "--link-port", str(ports[2]), "--web-port", str(ports[3]),
                            "--settings", os.path.join(home, "server.db"))
            wait_for("the server's link and web service", lambda: listening(ports[2]) and listening(ports[3]))

            second = subprocess.run([dravel, "--serve", "--link-port", str(free_port()), "--web-port",
                                     str(free_port())], env=env, capture_output=True, text=True,
                                    timeout=DEADLINE)
            if second.returncode != 1 or "already running" not in second.stderr:
                fail("a second --serve ended with %d: %s" % (second.returncode, second.stderr))
            if panel.proc.poll() is not None or server.proc.poll() is not None:
                fail("the panel or the server ended")
            if not all(listening(port) for port in ports):
                fail("a listener went away")
            status, _ = server.stop()
            server = None
            if status != 0:
                fail("the server ended with %d" % status)
            if panel.proc.poll() is not None:
                fail("stopping the server ended the panel")
    except RuntimeError as error:
        fail(str(error))
    finally:
        if server:
            server.stop()
        if panel:
            panel.stop()
        xvfb.stop()


if __name__ == "__main__":
    main()
