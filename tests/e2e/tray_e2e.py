#!/usr/bin/env python3
"""The tray icon and the menu when the notification area comes late or goes away, and the
Start at Login item, on a private Xvfb display with Debian's `trayer` as the tray.

1. A panel starts on a desktop without a tray: a right click on the panel opens the menu,
   and its item "Start at Login" writes the autostart entry and removes it again.
   Ten seconds after start the one-time notice says where the menu is.
2. trayer started after the panel receives its icon, drawn with the smiley, with its tip
   on hover; a right click on the icon opens the menu, a right click on the panel none.
3. trayer stopped: the right click on the panel opens the menu again; trayer started
   again gets the icon back.
4. A second panel whose tray comes a second after it never shows the notice.

Usage: tray_e2e.py <path to dravel>
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_support import (Trayer, click, close_menu, dialogs, fail, keys,  # noqa: E402
                             menus, no_menu_opens, on_display, open_menu, tooltips, wait_for)
from desktop_support import x as run_x  # noqa: E402
from link_e2e import MAIN_KEY, Panel, seed  # noqa: E402
from panel_e2e import screenshot, stored_values  # noqa: E402

NOTICE_WAIT = 10.0  # seconds the panel waits for a tray before its notice


def notices(panel):
    return dialogs(panel.env, panel.proc.pid)


def start_panel(dravel, display, home, x):
    seed(home, MAIN_KEY, {"Version": 87, "X": x, "Y": 200, "Interval": 500,
                          "FormatString": "Tray test\r\n<NAME=DateTime FORMAT=\"hh:nn:ss\">"})
    panel = Panel(dravel, display, home)
    panel.started = time.monotonic()
    return panel


def smiley_pixels(env, window):
    """How many pixels of the window are the connected smiley's yellow."""
    _, _, rows = screenshot(env, window)
    return sum(1 for row in rows for (r, g, b) in row if r > 200 and g > 160 and b < 90)


def toggle_start_at_login(panel):
    """Start at Login through the panel's menu, by keyboard: its access key L is shared with
    Longest Uptime, which comes first, so L twice selects it and Return clicks it."""
    open_menu(panel.env, panel.proc.pid, panel.window)
    keys(panel.env, "l", "l", "Return")
    wait_for("the menu to close", lambda: not menus(panel.env, panel.proc.pid))


def check_autostart(panel, dravel, home):
    entry = os.path.join(home, "config", "autostart", "dravel.desktop")
    program = shutil.which("dravel", path=panel.env.get("PATH", "")) or dravel
    toggle_start_at_login(panel)
    print("   start at login ticked", flush=True)
    wait_for("the autostart entry", lambda: os.path.exists(entry))
    with open(entry) as f:
        text = f.read()
    if "\nExec=%s\n" % program not in text or not text.startswith("[Desktop Entry]\n"):
        fail("the autostart entry does not start %s:\n%s" % (program, text))
    toggle_start_at_login(panel)
    wait_for("the autostart entry to go", lambda: not os.path.exists(entry))


def check(paths, display, root, started):
    dravel = paths[0]
    # 1. No tray: the panel's own right click, Start at Login, the notice.
    print("-- no tray", flush=True)
    home = os.path.join(root, "first")
    panel = start_panel(dravel, display, home, 200)
    started.append(panel)
    env = panel.env
    open_menu(env, panel.proc.pid, panel.window)
    close_menu(env, panel.proc.pid)
    check_autostart(panel, dravel, home)
    if notices(panel):
        fail("the notice came before the panel had waited for a tray")
    wait = NOTICE_WAIT + 2.0 - (time.monotonic() - panel.started)
    notice = wait_for("the no-tray notice", lambda: (notices(panel) or [None])[0],
                      timeout=max(wait, 1.0) + 10)
    click(env, notice, 1, at=(10, 10))
    keys(env, "Return")
    wait_for("the notice to close", lambda: not notices(panel))

    # 2. A tray started after the panel receives the icon.
    print("-- late tray", flush=True)
    tray = Trayer(env)
    started.append(tray)
    icon = wait_for("the panel's icon in the tray", lambda: tray.icon_of(panel.proc.pid))
    wait_for("the smiley drawn in the tray", lambda: smiley_pixels(env, icon) > 20 or None)
    # The tip shows on hover.
    run_x(env, "xdotool", "mousemove", "--window", icon, "8", "8")
    wait_for("the icon's tip", lambda: tooltips(env, panel.proc.pid))
    open_menu(env, panel.proc.pid, icon)
    close_menu(env, panel.proc.pid)
    if not no_menu_opens(env, panel.proc.pid, panel.window):
        fail("with a tray, a right click on the panel opened the menu")

    # 3. The tray goes away and comes back.
    print("-- gone tray", flush=True)
    tray.stop()
    time.sleep(1.0)  # the tray's selection is gone with its process
    open_menu(env, panel.proc.pid, panel.window)
    close_menu(env, panel.proc.pid)
    tray = Trayer(env)
    started.append(tray)
    wait_for("the icon back in the restarted tray", lambda: tray.icon_of(panel.proc.pid))
    tray.stop()
    panel.stop()
    if stored_values(os.path.join(home, "config")).get("notraynoticeshown", (0, b""))[1] != \
            (1).to_bytes(4, "little"):
        fail("reading the notice was not remembered")

    # 4. A tray one second after start: no notice.
    print("-- tray in time", flush=True)
    second = start_panel(dravel, display, os.path.join(root, "second"), 400)
    started.append(second)
    time.sleep(1.0)
    tray = Trayer(second.env)
    started.append(tray)
    wait_for("the second panel's icon", lambda: tray.icon_of(second.proc.pid))
    time.sleep(max(0.0, NOTICE_WAIT + 2.0 - (time.monotonic() - second.started)))
    if notices(second):
        fail("the notice came although a tray appeared in time")
    print("tray, late tray, gone tray, start at login: OK")


if __name__ == "__main__":
    on_display("tray_e2e.py <dravel>", check)
