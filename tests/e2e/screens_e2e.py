#!/usr/bin/env python3
"""The panel stays reachable on a private Xvfb display, whatever its stored position, the
screen's size or the scale factor.

1. A stored position far right of the 1280-pixel screen (an external monitor that is gone)
   opens the panel wholly on the screen, and that position is what the exit stores.
2. A panel at the screen's right edge is brought back when xrandr shrinks the screen to
   800 by 600, and stays where it is when the screen grows again.
3. Under QT_SCALE_FACTOR=2 the stored position counts in logical pixels (X 100 is device
   pixel 200), the default position 719 (device pixel 1438) is brought onto the screen, and
   the colour-key cut-out and the dragging handle are drawn in device pixels.

Usage: screens_e2e.py <path to dravel>
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_support import fail, geometry, on_display, screen_size, wait_for, x  # noqa: E402
from link_e2e import MAIN_KEY, Panel, seed  # noqa: E402
from panel_e2e import integer, screenshot, stored_values  # noqa: E402

DESKTOP = (0x33, 0x66, 0xCC)
WIDE_TEXT = "MMMMMMMMMMMMMMMMMMMMMMMM\r\nWWWWWWWWWWWWWWWWWWWWWWWW\r\n########################"


def on_screen(env, window, size):
    left, top, width, height = geometry(env, window)
    return left >= 0 and top >= 0 and left + width <= size[0] and top + height <= size[1]


def start(dravel, display, home, values, scale=None):
    seed(home, MAIN_KEY, dict({"Version": 87, "NoTrayNoticeShown": 1, "Interval": 500}, **values))
    if scale:
        os.environ["QT_SCALE_FACTOR"] = scale
    try:
        return Panel(dravel, display, home)
    finally:
        os.environ.pop("QT_SCALE_FACTOR", None)


def set_screen(env, width, height):
    mode = "%dx%d" % (width, height)
    if mode not in x(env, "xrandr"):
        # A mode line Xvfb accepts; only its size matters here.
        x(env, "xrandr", "--newmode", mode, "40", str(width), str(width + 40), str(width + 168),
          str(width + 256), str(height), str(height + 1), str(height + 5), str(height + 28),
          check=True)
        x(env, "xrandr", "--addmode", "screen", mode, check=True)
    x(env, "xrandr", "--output", "screen", "--mode", mode, check=True)
    wait_for("the screen to become " + mode, lambda: screen_size(env) == (width, height))


def check(paths, display, root, started):
    dravel = paths[0]
    # 1. Off the screen at start.
    print("-- stored off screen", flush=True)
    home = os.path.join(root, "far")
    panel = start(dravel, display, home, {"X": 3000, "Y": 25})
    started.append(panel)
    env = panel.env
    size = screen_size(env)
    wait_for("the panel wholly on the screen", lambda: on_screen(env, panel.window, size))
    left = geometry(env, panel.window)[0]
    panel.stop()
    stored = integer(stored_values(os.path.join(home, "config")), "X")
    if stored != left or stored > size[0] - 32:
        fail("the exit stored X %d for a panel at %d" % (stored, left))

    # 2. The screen shrinks under the panel, then grows again.
    print("-- screen shrunk with xrandr", flush=True)
    panel = start(dravel, display, os.path.join(root, "edge"), {"X": 1100, "Y": 640})
    started.append(panel)
    before = geometry(env, panel.window)
    if before[0] != 1100:
        fail("a panel on the screen was moved at start: %s" % (before,))
    set_screen(env, 800, 600)
    wait_for("the panel back on the shrunk screen", lambda: on_screen(env, panel.window, (800, 600)))
    moved = geometry(env, panel.window)
    set_screen(env, 1280, 800)
    if geometry(env, panel.window)[:2] != moved[:2]:
        fail("the panel moved again when the screen grew: %s" % (geometry(env, panel.window),))
    panel.stop()

    # 3. Twice the scale.
    print("-- scale factor 2", flush=True)
    x(env, "xsetroot", "-solid", "#%02x%02x%02x" % DESKTOP, check=True)
    panel = start(dravel, display, os.path.join(root, "scaled"),
                  {"X": 100, "Y": 50, "FormatString": WIDE_TEXT, "Trans": 1,
                   "ShowDraggingHandle": 1}, scale="2")
    started.append(panel)
    wait_for("the panel at device pixel (200, 100)",
             lambda: geometry(env, panel.window)[:2] == (200, 100))
    check_device_pixels(env, panel.window)
    panel.stop()
    default = start(dravel, display, os.path.join(root, "default"), {}, scale="2")
    started.append(default)
    wait_for("the default position brought onto the screen",
             lambda: on_screen(env, default.window, size))
    print("panel kept on screen: OK")


def check_device_pixels(env, window):
    """The cut-out covers the whole window (not a quarter of it, as a cut-out worked out in
    logical pixels would) and the handle has device-pixel detail."""
    left, top, width, height = geometry(env, window)

    def shot():
        _, _, rows = screenshot(env, "root")
        return [row[left:left + width] for row in rows[top:top + height]]

    def ink(rows, x0, x1, y0, y1):
        return sum(1 for row in rows[y0:y1] for p in row[x0:x1] if sum(p) < 200)

    def cut_out():
        rows = shot()
        desktop = sum(1 for row in rows for p in row if p == DESKTOP)
        # Text in the right half and in the lower half: the shape reaches both.
        if desktop > width * height // 4 and ink(rows, width // 2, width, 0, height) > 50 and \
                ink(rows, 0, width, height // 2, height) > 50:
            return rows
        return None

    rows = wait_for("the cut-out in device pixels", cut_out)
    # The handle: 20 logical pixels at the top right, 40 device pixels. Drawn at 2x, some
    # neighbouring device pixels differ inside the 2 by 2 blocks a 1x picture would give.
    handle = [row[width - 40:width] for row in rows[0:40]]
    finer = sum(1 for y in range(0, 40, 2) for xx in range(0, 40, 2)
                if handle[y][xx] != handle[y][xx + 1] or handle[y][xx] != handle[y + 1][xx])
    if finer < 20:
        fail("the dragging handle is a 1x picture blown up (%d finer blocks)" % finer)


if __name__ == "__main__":
    on_display("screens_e2e.py <dravel>", check)
