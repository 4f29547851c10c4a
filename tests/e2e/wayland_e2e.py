#!/usr/bin/env python3
"""The panel on a Wayland session: a real compositor (Debian's weston, headless, with
XWayland) while Qt's own Wayland plugin is installed.

Started with WAYLAND_DISPLAY set, XDG_SESSION_TYPE=wayland and QT_QPA_PLATFORM unset, the
panel must still be an X11 window (on XWayland, where its placement, stacking and cut-out
work) and be drawn: weston's own screenshot shows its white background and dark text
where XWayland says the window is. With no X display at all it exits with status 1 and
one line on standard error.

Usage: wayland_e2e.py <path to dravel>
"""
import glob
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_support import fail, geometry, stop_process, visible_windows, wait_for, x  # noqa: E402
from link_e2e import MAIN_KEY, seed  # noqa: E402

SOCKET = "dravel-e2e-%d" % os.getpid()


class Weston:
    def __init__(self, runtime, log):
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            self.env.pop(name, None)
        # --debug offers the screenshot protocol that weston-screenshooter uses.
        self.proc = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "--xwayland",
             "--socket=" + SOCKET, "--width=1024", "--height=768", "--log=" + log, "--debug"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def display():
            if self.proc.poll() is not None:
                fail("weston ended at once; see " + log)
            with open(log) if os.path.exists(log) else open(os.devnull) as f:
                found = re.search(r"xserver listening on display (:\d+)", f.read())
            return found.group(1) if found else None
        self.display = wait_for("weston's XWayland display", display)

    def screenshot(self, folder):
        """weston's picture of its output as (width, height, flat RGB bytes)."""
        before = set(os.listdir(folder))
        subprocess.run(["weston-screenshooter"], env=dict(self.env, WAYLAND_DISPLAY=SOCKET),
                       cwd=folder, capture_output=True, timeout=20)
        made = sorted(set(os.listdir(folder)) - before)
        if not made:
            return None
        path = os.path.join(folder, made[-1])
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                              text=True, timeout=20).stdout.split()
        data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                              timeout=20).stdout
        os.remove(path)
        return int(size[0]), int(size[1]), data

    def stop(self):
        stop_process(self.proc)


def drawn(shot, box):
    """The panel's look inside box of the screenshot: mostly white, with dark text."""
    if shot is None:
        return False
    width, _, data = shot
    left, top, w, h = box
    white = dark = 0
    for y in range(top, top + h):
        row = data[(y * width + left) * 3:(y * width + left + w) * 3]
        for i in range(0, len(row), 3):
            level = row[i] + row[i + 1] + row[i + 2]
            white += level > 740
            dark += level < 200
    return white > w * h // 2 and dark > 100


def main():
    if len(sys.argv) != 2:
        fail("usage: wayland_e2e.py <dravel>")
    dravel = os.path.abspath(sys.argv[1])
    if not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so"):
        fail("Qt's Wayland platform plugin (qt6-wayland) is not installed: nothing to prove")
    with tempfile.TemporaryDirectory() as root:
        runtime = os.path.join(root, "run")
        os.makedirs(runtime, mode=0o700)
        weston = Weston(runtime, os.path.join(root, "weston.log"))
        panel = None
        try:
            home = os.path.join(root, "home")
            seed(home, MAIN_KEY, {"Version": 87, "NoTrayNoticeShown": 1})
            env = dict(weston.env, WAYLAND_DISPLAY=SOCKET, XDG_SESSION_TYPE="wayland",
                       HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                       DISPLAY=weston.display)

            # No X display at all: one line, status 1.
            bare = {k: v for k, v in env.items() if k != "DISPLAY"}
            refused = subprocess.run([dravel], env=bare, capture_output=True, text=True,
                                     timeout=20)
            lines = refused.stderr.strip().splitlines()
            if refused.returncode != 1 or len(lines) != 1 or "X display" not in lines[0]:
                fail("without an X display: status %d, standard error %r" %
                     (refused.returncode, refused.stderr))
            print("-- without X: %s" % lines[0], flush=True)

            panel = subprocess.Popen([dravel], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            x_env = dict(env)
            window = wait_for("the panel's X11 window on XWayland",
                              lambda: panel.poll() is None and
                              (visible_windows(x_env, panel.pid) or [None])[0])
            # XWayland names its outputs XWAYLAND<n>.
            if not re.search(r"^XWAYLAND\d+ connected", x(x_env, "xrandr"), re.M):
                fail("the X display %s is not XWayland" % weston.display)
            box = geometry(x_env, window)
            print("-- X11 window %s at %s on XWayland %s" % (window, box, weston.display),
                  flush=True)
            with tempfile.TemporaryDirectory() as shots:
                wait_for("weston to show the panel drawn",
                         lambda: drawn(weston.screenshot(shots), box))
        finally:
            if panel is not None:
                stop_process(panel)
            weston.stop()
    print("panel on a Wayland session through XWayland: OK")


if __name__ == "__main__":
    main()
