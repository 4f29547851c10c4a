#!/usr/bin/env python3
"""The headless server's service units as built pass `systemd-analyze verify`, with
ExecStart pointed at the built program (the installed path may not exist here).

Usage: units_test.py <unit folder> <dravel>
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def main():
    if len(sys.argv) != 3:
        fail("usage: units_test.py <unit folder> <dravel>")
    folder, dravel = sys.argv[1], os.path.abspath(sys.argv[2])
    for kind in ("user", "system"):
        with tempfile.TemporaryDirectory() as work:
            with open(os.path.join(folder, kind, "dravel-server.service")) as unit:
                text = unit.read()
            if not re.search(r"^ExecStart=\S+/dravel --serve", text, re.M):
                fail("the %s unit does not start dravel --serve" % kind)
            if kind == "system" and not all(line in text.splitlines() for line in
                                            ("DynamicUser=yes", "StateDirectory=dravel")):
                fail("the system unit lacks its own user or state folder")
            text = re.sub(r"^ExecStart=\S+/dravel", "ExecStart=" + dravel, text, flags=re.M)
            path = os.path.join(work, "dravel-server.service")
            with open(path, "w") as unit:
                unit.write(text)
            args = ["systemd-analyze"] + (["--user"] if kind == "user" else []) + ["verify", path]
            # The manual page the units name, as built; a user manager's runtime folder of
            # the test's own, for the user unit.
            os.makedirs(os.path.join(work, "man", "man1"))
            shutil.copy(os.path.join(folder, "..", "dravel.1.gz"), os.path.join(work, "man", "man1"))
            result = subprocess.run(args, capture_output=True, text=True, timeout=60,
                                    env=dict(os.environ, SYSTEMD_LOG_LEVEL="warning",
                                             XDG_RUNTIME_DIR=work, MANPATH=os.path.join(work, "man")))
            output = (result.stdout + result.stderr).strip()
            if result.returncode != 0 or "dravel-server" in output:
                fail("%s: %d\n%s" % (" ".join(args), result.returncode, output))


if __name__ == "__main__":
    main()
