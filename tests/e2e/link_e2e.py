#!/usr/bin/env python3
"""The monitoring link end to end: a serving `dravel` and client `dravel`s on loopback.

Starts its own Xvfb and a server panel whose store says it serves (port, "Server",
password), then clients started with "-c -i127.0.0.1 -p<port> -d<password>", each in a
settings folder of its own with the same format text. Checks that a client's panel shows
the server's figures (its computer-name line is drawn exactly as the server's) and keeps
refreshing (its clock line changes); that two clients of one encrypting server both do;
that a client with a wrong password shows no figures and no message; and that a client
reconnects by itself when the server is stopped and started again.

Usage: link_e2e.py <path to dravel>
"""
import os
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from panel_e2e import Xvfb, fail, panel_windows, screenshot, text_bands, wait_for  # noqa: E402

MAIN_KEY = "Software\\KelmarSoftware\\Dravel"
PASSWORD = "two words"
# The computer name (the same text on both ends only when it came from the server) and a
# clock with seconds (changes only while records arrive), an empty line apart so that
# their pixel rows never touch.
FORMAT_TEXT = '<NAME=CompName>\r\n\r\n<NAME=DateTime FORMAT="hh:nn:ss">'
MIN_LINE_ROWS = 4  # thinner runs of ink are rules and handles, not text
SCHEMA = (
    "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY COLLATE NOCASE);"
    "CREATE TABLE IF NOT EXISTS vals(path TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL"
    " COLLATE NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(path, name));")


def free_port():
    with socket.socket() as probe:
        probe.bind(("0.0.0.0", 0))
        return probe.getsockname()[1]


def seed(home, key, values):
    """Writes values (int or str) under key in the store of the settings folder home."""
    folder = os.path.join(home, "config", "dravel")
    os.makedirs(folder, exist_ok=True)
    con = sqlite3.connect(os.path.join(folder, "registry.db"))
    try:
        con.executescript(SCHEMA)
        parts = key.split("\\")
        for n in range(1, len(parts) + 1):
            con.execute("INSERT OR IGNORE INTO keys(path) VALUES(?)", ("\\".join(parts[:n]),))
        for name, value in values.items():
            if isinstance(value, int):
                kind, data = 4, value.to_bytes(4, "little", signed=True)
            else:
                kind, data = 1, value.encode("utf-8")
            con.execute("INSERT OR REPLACE INTO vals(path, name, type, data) VALUES(?, ?, ?, ?)",
                        (key, name, kind, data))
        con.commit()
    finally:
        con.close()


class Panel:
    def __init__(self, dravel, display, home, args=()):
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_RUNTIME_DIR=home, HOME=home)
        env.pop("QT_QPA_PLATFORM", None)
        self.env = env
        self.proc = subprocess.Popen([dravel, *args], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.window = wait_for("a window of " + " ".join([os.path.basename(dravel), *args]),
                               lambda: (panel_windows(env, self.proc.pid) or [None])[0])

    def bands(self):
        """The pixel rows of each text line of the window."""
        _, _, rows = screenshot(self.env, self.window)
        return [rows[top:bottom + 1] for top, bottom in text_bands(rows)
                if bottom + 1 - top >= MIN_LINE_ROWS]

    def line(self, index):
        bands = self.bands()
        return bands[index] if index < len(bands) else None

    def window_count(self):
        return len(panel_windows(self.env, self.proc.pid))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def same_line(a, b):
    if a is None or b is None or len(a) != len(b):
        return False
    width = min(len(a[0]), len(b[0]))
    return all(ra[:width] == rb[:width] for ra, rb in zip(a, b))


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def keeps_refreshing(panel, what):
    first = wait_for(what + ": a clock line", lambda: panel.line(1))
    wait_for(what + ": the clock line changing", lambda: not same_line(panel.line(1), first))


def main():
    if len(sys.argv) != 2:
        fail("usage: link_e2e.py <dravel>")
    dravel = os.path.abspath(sys.argv[1])
    port = free_port()
    xvfb = Xvfb()
    panels = []
    try:
        with tempfile.TemporaryDirectory() as root:
            places = iter(range(20, 1200, 250))

            def home(name, client_password=None):
                path = os.path.join(root, name)
                os.makedirs(path)
                # Side by side: a screenshot takes whatever covers the window.
                place = {"X": next(places), "Y": 100}
                # Xvfb has no notification area; the notice saying so was seen before.
                if client_password is None:
                    seed(path, MAIN_KEY, {"Version": 87, "Server": 1, "ServPort": port,
                                          "Password": PASSWORD, "FormatString": FORMAT_TEXT,
                                          "NoTrayNoticeShown": 1, **place})
                else:
                    seed(path, MAIN_KEY, {"Version": 87})
                    seed(path, MAIN_KEY + "\\127.0.0.1:%d" % port,
                         {"FormatString": FORMAT_TEXT, "Interval": 300, "NoTrayNoticeShown": 1,
                          **place})
                return path

            def client(name, password):
                panel = Panel(dravel, xvfb.display, home(name, password),
                              ["-c", "-i127.0.0.1", "-p%d" % port, "-d" + password])
                panels.append(panel)
                return panel

            server_home = home("server")  # the restarted server comes back at the same place
            server = Panel(dravel, xvfb.display, server_home)
            panels.append(server)
            wait_for("the server to listen on %d" % port, lambda: listening(port))
            name_line = wait_for("the server's computer-name line", lambda: server.line(0))

            first = client("first", PASSWORD)
            wait_for("the first client to show the server's figures",
                     lambda: same_line(first.line(0), name_line))
            keeps_refreshing(first, "first client")

            second = client("second", PASSWORD)
            wait_for("the second client to show the server's figures",
                     lambda: same_line(second.line(0), name_line))
            keeps_refreshing(second, "second client")
            keeps_refreshing(first, "first client beside the second")

            def refresh_changes(wrong):
                """Changes of the wrong-password client's clock line over five seconds."""
                time.sleep(3)  # a dozen requests at its interval
                if same_line(wrong.line(0), name_line):
                    fail("a client with a wrong password shows the server's figures")
                # A refreshing clock changes every second. Without authentication a garbage
                # reply whose first byte happens to be "W" (1 in 256) is still taken for a
                # record, so one change in five seconds is let pass.
                # Under load its first paint may still be settling: count from a still picture.
                def settled():
                    before = wrong.line(1)
                    time.sleep(0.5)
                    return same_line(wrong.line(1), before)
                wait_for("the wrong-password client's panel to settle", settled)
                changes, line = 0, wrong.line(1)
                for _ in range(10):
                    time.sleep(0.5)
                    now = wrong.line(1)
                    changes += not same_line(now, line)
                    line = now
                return changes

            expected_windows = first.window_count()
            wrong = client("wrong", "not the password")
            changes = refresh_changes(wrong)
            if changes > 1:
                # A fault would show every time; a loaded machine's stray repaint does not.
                # The picture of that moment goes to the log's folder for a look.
                evidence = os.path.join(os.environ.get("TMPDIR", "/tmp"), "link_e2e_wrong.png")
                subprocess.run(["import", "-window", "root", evidence], env=wrong.env,
                               timeout=20, check=False)
                print("note: the wrong-password client changed %d times in 5 s (screen in %s);"
                      " watching a fresh one" % (changes, evidence))
                wrong.stop()
                panels.remove(wrong)
                wrong = client("wrong-again", "not the password")
                changes = refresh_changes(wrong)
            if changes > 1:
                fail("a client with a wrong password refreshes (%d changes in 5 s)" % changes)
            if wrong.window_count() != expected_windows:
                fail("a client with a wrong password shows a message")

            server.stop()
            panels.remove(server)
            wait_for("the server to stop listening", lambda: not listening(port))
            time.sleep(1)  # a few failed attempts by the clients
            server = Panel(dravel, xvfb.display, server_home)
            panels.append(server)
            wait_for("the restarted server to listen", lambda: listening(port))
            keeps_refreshing(first, "first client after the server's restart")
            keeps_refreshing(second, "second client after the server's restart")
    finally:
        for panel in panels:
            panel.stop()
        xvfb.stop()
    print("link end to end: OK")


if __name__ == "__main__":
    main()
