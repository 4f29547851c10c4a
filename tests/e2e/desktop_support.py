"""Helpers of the desktop end-to-end tests: windows by their type and owner, the pointer
and keys through xdotool, the screen size, and Debian's `trayer` as the notification area.
They build on panel_e2e's display and link_e2e's settings seeding."""
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from panel_e2e import DEADLINE, Xvfb, fail, wait_for  # noqa: E402,F401


def stop_process(proc):
    """Ends proc: SIGTERM, and SIGKILL when it has not ended ten seconds later."""
    if proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def on_display(usage, body):
    """The main of a desktop test. Calls body(paths, display, root, started) with the command
    line's paths made absolute, a private Xvfb display and a temporary folder root. Whatever
    body appends to started (anything with a stop method) is stopped, last first, and then
    the display, also when the test fails."""
    if len(sys.argv) != usage.count("<") + 1:
        fail("usage: " + usage)
    paths = [os.path.abspath(p) for p in sys.argv[1:]]
    xvfb = Xvfb()
    started = []
    try:
        with tempfile.TemporaryDirectory() as root:
            os.chmod(root, 0o755)
            body(paths, xvfb.display, root, started)
    finally:
        for thing in reversed(started):
            thing.stop()
        xvfb.stop()


def x(env, *args, check=False):
    """Runs an X client program; its standard output."""
    result = subprocess.run(list(args), env=env, capture_output=True, text=True, timeout=20)
    if check and result.returncode != 0:
        fail("%s ended with %d: %s" % (" ".join(args), result.returncode, result.stderr))
    return result.stdout


def window_types(env, window):
    """The window's _NET_WM_WINDOW_TYPE names without their prefix (DIALOG, UTILITY, ...)."""
    shown = x(env, "xprop", "-id", window, "_NET_WM_WINDOW_TYPE")
    return re.findall(r"_NET_WM_WINDOW_TYPE_(\w+)", shown)


def override_redirect(env, window):
    return "Override Redirect State: yes" in x(env, "xwininfo", "-id", window)


def window_pid(env, window):
    found = re.search(r"= (\d+)", x(env, "xprop", "-id", window, "_NET_WM_PID"))
    return int(found.group(1)) if found else None


def visible_windows(env, pid):
    return [w for w in x(env, "xdotool", "search", "--onlyvisible", "--pid", str(pid)).split() if w]


def dialogs(env, pid):
    return [w for w in visible_windows(env, pid) if "DIALOG" in window_types(env, w)]


def popups(env, pid, min_height=0, max_height=10000):
    """Visible override-redirect windows of pid within the heights: the popup menu is tall,
    a tool tip one line high."""
    return [w for w in visible_windows(env, pid) if override_redirect(env, w)
            and min_height <= geometry(env, w)[3] <= max_height]


def menus(env, pid):
    return popups(env, pid, min_height=100)


def tooltips(env, pid):
    return popups(env, pid, max_height=60)


def geometry(env, window):
    """(x, y, width, height) of a window on the screen."""
    shown = x(env, "xdotool", "getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in shown.split() if "=" in line)
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def click(env, window, button, at=(5, 5)):
    x(env, "xdotool", "mousemove", "--window", window, str(at[0]), str(at[1]), check=True)
    x(env, "xdotool", "click", str(button), check=True)


def keys(env, *names):
    for name in names:
        x(env, "xdotool", "key", "--clearmodifiers", name, check=True)
        time.sleep(0.15)


def open_menu(env, pid, window, button=3):
    """Right-clicks window; the popup menu of process pid that it opened. A window mapped a
    moment ago may not take the first click yet, so it is clicked again a few times."""
    for _ in range(4):
        click(env, window, button)
        end = time.monotonic() + 3.0
        while time.monotonic() < end:
            shown = menus(env, pid)
            if shown:
                return shown[0]
            time.sleep(0.2)
    fail("no popup menu opened on a right click")


def close_menu(env, pid):
    keys(env, "Escape")
    wait_for("the menu to close", lambda: not menus(env, pid))


def no_menu_opens(env, pid, window):
    click(env, window, 3)
    time.sleep(1.0)
    return not menus(env, pid)


def children(env, window):
    tree = x(env, "xwininfo", "-children", "-id", window)
    return re.findall(r"^\s+(0x[0-9a-f]+) ", tree, re.M)


def screen_size(env):
    found = re.search(r"dimensions:\s+(\d+)x(\d+) pixels", x(env, "xdpyinfo"))
    return int(found.group(1)), int(found.group(2))


class Trayer:
    """Debian's trayer as the desktop's notification area (a system tray by the freedesktop
    protocol), docked at the screen's top right."""

    def __init__(self, env):
        self.env = env
        self.proc = subprocess.Popen(
            ["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
             "120", "--height", "24", "--SetDockType", "false"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.panel = wait_for("trayer's window", self._panel_window)

    def _panel_window(self):
        """The visible window holding the icons (trayer's others are off screen)."""
        found = [w for w in visible_windows(self.env, self.proc.pid)
                 if "trayer" in x(self.env, "xprop", "-id", w, "WM_CLASS")]
        return max(found, key=lambda w: geometry(self.env, w)[2], default=None)

    def icon_of(self, pid):
        """The icon window of process pid embedded in the tray, or None."""
        for child in children(self.env, self.panel):
            for window in [child] + children(self.env, child):
                if window_pid(self.env, window) == pid:
                    return window
        return None

    def stop(self):
        stop_process(self.proc)
