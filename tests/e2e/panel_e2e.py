#!/usr/bin/env python3
"""The panel on a real (virtual) X display, end to end.

Starts its own Xvfb, runs `dravel` with an empty configuration folder, finds the window,
checks that eight lines of live text are drawn, checks that a second start ends at once
without a window, closes the panel with SIGTERM and reads what it stored at exit.

Usage: panel_e2e.py <path to dravel>
"""
import os
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

DEADLINE = 20.0  # seconds for any one thing we wait for


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, timeout=DEADLINE):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    fail("timed out waiting for " + what)


class Xvfb:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", "1280x800x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            fail("Xvfb did not report a display")
        self.display = ":" + number

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def panel_windows(env, pid):
    """Visible top-level windows of the given process."""
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                            env=env, capture_output=True, text=True, timeout=10)
    return [w for w in result.stdout.split() if w]


def is_dialog(env, window):
    shown = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"], env=env,
                           capture_output=True, text=True, timeout=10).stdout
    return "_NET_WM_WINDOW_TYPE_DIALOG" in shown


def panel_window(env, pid):
    """The panel itself: the process's visible window that is no dialog. A dialog is a
    notice (no notification area on a bare X display); it is answered with Return."""
    panel = None
    for window in panel_windows(env, pid):
        if is_dialog(env, window):
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, timeout=10)
            subprocess.run(["xdotool", "key", "--clearmodifiers", "Return"], env=env, timeout=10)
        else:
            panel = window
    return panel


def all_visible_windows(env):
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ".*"],
                            env=env, capture_output=True, text=True, timeout=10)
    return set(w for w in result.stdout.split() if w)


def screenshot(env, window):
    """The window's pixels as (width, height, rows of (r, g, b) tuples)."""
    data = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"],
                          env=env, capture_output=True, timeout=20).stdout
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6":
        fail("screenshot is not a PPM image")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos:pos + width * height * 3]
    rows = [[tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]
    return width, height, rows


def text_bands(rows):
    """Runs of consecutive pixel rows holding dark (text) pixels."""
    bands = []
    inside = False
    for y, row in enumerate(rows):
        inked = any(sum(p) < 384 for p in row)
        if inked and not inside:
            bands.append([y, y])
            inside = True
        elif inked:
            bands[-1][1] = y
        else:
            inside = False
    return bands


def stored_values(config_home, key="Software\\KelmarSoftware\\Dravel"):
    db = os.path.join(config_home, "dravel", "registry.db")
    if not os.path.exists(db):
        fail("no settings store at " + db)
    con = sqlite3.connect(db)
    try:
        rows = con.execute(
            "SELECT name, type, data FROM vals WHERE lower(trim(path, '\\')) = lower(?)",
            (key,)).fetchall()
    finally:
        con.close()
    return {name.lower(): (kind, bytes(data)) for name, kind, data in rows}


def integer(values, name):
    if name.lower() not in values:
        fail('"%s" was not stored' % name)
    kind, data = values[name.lower()]
    if kind != 4 or len(data) != 4:
        fail('"%s" is not an integer value' % name)
    return int.from_bytes(data, "little", signed=True)


def main():
    if len(sys.argv) != 2:
        fail("usage: panel_e2e.py <dravel>")
    dravel = os.path.abspath(sys.argv[1])
    xvfb = Xvfb()
    panel = None
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ)
        env.pop("QT_QPA_PLATFORM", None)
        env.update(DISPLAY=xvfb.display, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_RUNTIME_DIR=os.path.join(home, "run"), TEMP=home, TMPDIR=home)
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        try:
            panel = subprocess.Popen([dravel], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE)
            window = wait_for("the panel's window",
                              lambda: panel.poll() is None and panel_window(env, panel.pid))
            # Notices come up after the window; give them a moment and answer them.
            time.sleep(1)
            wait_for("notices to close", lambda: panel_window(env, panel.pid) and
                     len(panel_windows(env, panel.pid)) == 1)
            if panel.poll() is not None:
                fail("the panel ended at once")

            # Eight lines of text, and live: the uptime line counts seconds.
            def eight_lines():
                shot = screenshot(env, window)
                return shot if len(text_bands(shot[2])) == 8 else None
            first = wait_for("eight lines of text", eight_lines)
            time.sleep(2.5)
            second = screenshot(env, window)
            if len(text_bands(second[2])) != 8:
                fail("the panel no longer shows eight lines")
            if first == second:
                fail("the text did not change in 2.5 s: nothing live is shown")

            # A second start signals the first and ends without a window of its own.
            before = all_visible_windows(env)
            second_copy = subprocess.run([dravel], env=env, capture_output=True, timeout=DEADLINE)
            if second_copy.returncode != 0:
                fail("the second start ended with code %d" % second_copy.returncode)
            time.sleep(0.5)
            if all_visible_windows(env) - before:
                fail("the second start left a window")
            if panel.poll() is not None:
                fail("the first copy ended when the second started")

            # A client copy ("-C") runs beside the local one; SIGINT closes it like a close,
            # saving into its server's own key.
            client = subprocess.Popen([dravel, "-C", "-i127.0.0.1", "-p1"], env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                wait_for("the client's window",
                         lambda: client.poll() is None and panel_window(env, client.pid))
                client.send_signal(signal.SIGINT)
                if client.wait(timeout=DEADLINE) != 0:
                    fail("the client did not end cleanly on SIGINT")
            finally:
                if client.poll() is None:
                    client.kill()
            server_key = stored_values(env["XDG_CONFIG_HOME"],
                                       "Software\\KelmarSoftware\\Dravel\\127.0.0.1:1")
            if (integer(server_key, "X"), integer(server_key, "Y")) != (719, 25):
                fail("the client did not save its position under its server's key")

            # "-?" (also after "-c") writes the help page, hands it to the desktop's
            # handler and ends without a window; a stand-in handler records what it got.
            handler_dir = os.path.join(home, "bin")
            os.makedirs(handler_dir)
            opened = os.path.join(home, "opened.txt")
            with open(os.path.join(handler_dir, "xdg-open"), "w") as script:
                script.write('#!/bin/sh\necho "$1" > "%s"\n' % opened)
            os.chmod(os.path.join(handler_dir, "xdg-open"), 0o755)
            help_env = dict(env, PATH=handler_dir + os.pathsep + env.get("PATH", ""))
            before = all_visible_windows(env)
            shown = subprocess.run([dravel, "-c", "-?"], env=help_env, capture_output=True,
                                   timeout=DEADLINE)
            if shown.returncode != 0:
                fail('"-?" ended with code %d' % shown.returncode)
            page = os.path.join(home, "drnettmp.htm")
            if not os.path.exists(page):
                fail('"-?" wrote no drnettmp.htm')
            wait_for("the help page to be opened", lambda: os.path.exists(opened))
            with open(opened) as record:
                if record.read().strip() != page:
                    fail("the handler was not given the help page")
            if all_visible_windows(env) - before:
                fail('"-?" left a window')

            # Closing saves.
            panel.send_signal(signal.SIGTERM)
            try:
                code = panel.wait(timeout=DEADLINE)
            except subprocess.TimeoutExpired:
                fail("the panel did not end on SIGTERM")
            if code != 0:
                fail("the panel ended with code %d on SIGTERM: %s" % (code, panel.stderr.read()))
            values = stored_values(env["XDG_CONFIG_HOME"])
            if integer(values, "Version") != 87:
                fail('"Version" is not 87')
            if (integer(values, "X"), integer(values, "Y")) != (719, 25):
                fail('"X", "Y" are not the design position 719, 25')
            if integer(values, "UptimeCount") != 1:
                fail('"UptimeCount" is not 1 after one run')
            for name in ("LongestUptime", "TotalUptime"):
                kind, data = values.get(name.lower(), (0, b""))
                if kind != 3 or len(data) != 8 or int.from_bytes(data, "little", signed=True) <= 0:
                    fail('"%s" is not a positive 8-byte figure' % name)
            if "formatstring" in values:
                fail('the default text was stored, it should only be used')
        finally:
            if panel is not None and panel.poll() is None:
                panel.kill()
            xvfb.stop()
    print("panel end to end: OK")


if __name__ == "__main__":
    main()
