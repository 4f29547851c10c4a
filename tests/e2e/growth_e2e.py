#!/usr/bin/env python3
"""A right-aligned line that grows stays whole, on a private Xvfb display.

The panel runs as a client of the panel-less link server, whose record's clock moves one
second per reply, so the line 'Seconds: <NAME=DateTime FORMAT="s">' grows from one digit to
two at the tenth reply. The window sized itself on the first fill; when the line grows it
widens, keeping its right edge, and the text is drawn whole: its ink is wider than before
and still clear of the window's left edge.

Usage: growth_e2e.py <path to dravel> <path to link_test_server>
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_support import fail, geometry, on_display, stop_process, wait_for  # noqa: E402
from link_e2e import MAIN_KEY, Panel, seed  # noqa: E402
from panel_e2e import screenshot  # noqa: E402


def ink_columns(env, window):
    """First and last pixel column holding text, and the window width."""
    width, _, rows = screenshot(env, window)
    columns = [x for x in range(width) if any(sum(row[x]) < 384 for row in rows)]
    return (columns[0], columns[-1], width) if columns else None


class LinkServer:
    """The panel-less server end of the link; its port as it reports it."""

    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().split()
        if len(line) != 2 or line[0] != "PORT":
            fail("the link server did not report its port")
        self.port = int(line[1])

    def stop(self):
        stop_process(self.proc)


def check(paths, display, root, started):
    dravel, server_path = paths
    server = LinkServer(server_path)
    started.append(server)
    home = os.path.join(root, "home")
    seed(home, MAIN_KEY, {"Version": 87})
    seed(home, MAIN_KEY + "\\127.0.0.1:%d" % server.port,
         {"FormatString": 'Seconds: <NAME=DateTime FORMAT="s">', "Align": 1, "Interval": 400,
          "X": 600, "Y": 100, "NoTrayNoticeShown": 1})
    panel = Panel(dravel, display, home, ["-c", "-i127.0.0.1", "-p%d" % server.port])
    started.append(panel)
    env = panel.env
    # The first fill: one digit (the clock starts at second 1).
    first = wait_for("the first fill", lambda: ink_columns(env, panel.window))
    before = geometry(env, panel.window)
    print("-- before: window %s, ink %s" % (before, first), flush=True)

    def grown():
        now = geometry(env, panel.window)
        return now if now[2] > before[2] else None
    after = wait_for("the window to widen with the line", grown)

    def drawn_at_new_width():
        columns = ink_columns(env, panel.window)
        return columns if columns and columns[2] == after[2] else None
    ink = wait_for("the grown line drawn", drawn_at_new_width)
    print("-- after: window %s, ink %s" % (after, ink), flush=True)
    if after[0] + after[2] != before[0] + before[2]:
        fail("the right edge moved from %d to %d" % (before[0] + before[2], after[0] + after[2]))
    if ink[0] < 1:
        fail("the grown line touches the window's left edge: it is cut")
    if ink[1] - ink[0] <= first[1] - first[0] + 3:
        fail("the grown line is not drawn wider than before: %s then %s" % (first, ink))
    print("a growing right-aligned line stays whole: OK")


if __name__ == "__main__":
    on_display("growth_e2e.py <dravel> <link_test_server>", check)
