#!/usr/bin/env python3
"""The answers the program gives before any window: --help, --version, -? without a way to
open the page, and a start without any X display.

--help and --version print on standard output and exit 0 without a display and without
touching a running copy: the lock and wake channel of a running copy (its runtime folder,
with the wake fifo open) get nothing. "-?" with no opener prints the page's path. A start
with WAYLAND_DISPLAY set but no X display exits 1 with one line on standard error.

Usage: command_line_e2e.py <path to dravel>
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from panel_e2e import fail  # noqa: E402


def run(dravel, args, env):
    return subprocess.run([dravel, *args], env=env, capture_output=True, text=True, timeout=30)


def main():
    if len(sys.argv) != 2:
        fail("usage: command_line_e2e.py <dravel>")
    dravel = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as root:
        runtime = os.path.join(root, "run")
        os.makedirs(runtime, mode=0o700)
        # What a running copy keeps there: its wake channel, open for reading.
        wake = os.path.join(runtime, "OsselVantorEvent")
        os.mkfifo(wake, 0o600)
        reader = os.open(wake, os.O_RDONLY | os.O_NONBLOCK)
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(XDG_RUNTIME_DIR=runtime, HOME=root, XDG_CONFIG_HOME=os.path.join(root, "config"),
                   TEMP=root, PATH="/nonexistent")

        version = run(dravel, ["--version"], env)
        if (version.returncode, version.stdout, version.stderr) != (0, "Dravel 87\n", ""):
            fail("--version: %r" % (version,))
        usage = run(dravel, ["-c", "--help"], env)
        if usage.returncode != 0 or not usage.stdout.startswith("Usage: dravel"):
            fail("--help: %r" % (usage,))
        for switch in ("-c, -C", "-i<HOST>", "-p<PORT>", "-d<PASSWORD>", "-h", "-l", "-?",
                       "--help", "--version"):
            if switch not in usage.stdout:
                fail("--help does not mention " + switch)
        try:
            woken = os.read(reader, 64)
        except BlockingIOError:
            woken = b""
        if woken or sorted(os.listdir(runtime)) != ["OsselVantorEvent"]:
            fail("--help or --version touched the running copy: %r, %s" % (woken, os.listdir(runtime)))
        if os.path.exists(os.path.join(root, "config")):
            fail("--help or --version made a settings folder")
        os.close(reader)

        # -? with no program to open the page: its path on standard output.
        page = run(dravel, ["-?"], env)
        path = os.path.join(root, "drnettmp.htm")
        if page.returncode != 0 or page.stdout != path + "\n":
            fail("-? without an opener: %r" % (page,))
        with open(path, "rb") as f:
            lines = f.read().split(b"\r\n")
        if len(lines) != 24 or lines[-1] != b"":
            fail("the help page has %d lines" % (len(lines) - 1))

        # A Wayland session without XWayland: no X display at all.
        refused = run(dravel, [], dict(env, WAYLAND_DISPLAY="wayland-0"))
        lines = refused.stderr.strip().splitlines()
        if refused.returncode != 1 or len(lines) != 1 or "no X display" not in lines[0]:
            fail("without an X display: %r" % (refused,))
    print("command line answers: OK")


if __name__ == "__main__":
    main()
