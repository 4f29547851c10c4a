"""Helpers of the end-to-end tests that run in namespaces of their own (as root).

run_inside() re-runs the calling script under `unshare` with the given namespace flags
and then calls its inside(dravelfmt) there; DravelfmtCopy collects the lines a dravelfmt
process writes, with the moment each arrived.
"""
import os
import subprocess
import sys
import threading
import time

SKIPPED = 77  # CTest's SKIP_RETURN_CODE for these tests


def run_inside(flags, inside):
    """The script's exit status: inside's failures, or SKIPPED where unshare is refused."""
    dravelfmt = os.path.abspath(sys.argv[-1])
    if len(sys.argv) == 3 and sys.argv[1] == '--inside':
        failures = inside(dravelfmt)
        for failure in failures:
            print(failure)
        return 1 if failures else 0
    if os.geteuid() != 0:
        print(f'skipped: unshare {" ".join(flags)} needs root')
        return SKIPPED
    if subprocess.run(['unshare', *flags, 'true'], capture_output=True).returncode != 0:
        print(f'skipped: unshare {" ".join(flags)} is not permitted here')
        return SKIPPED
    script = os.path.abspath(sys.argv[0])
    return subprocess.run(['unshare', *flags, sys.executable, script, '--inside', dravelfmt],
                          timeout=120).returncode


def sh(*argv):
    subprocess.run(argv, check=True)


class DravelfmtCopy:
    """A dravelfmt process whose output lines are collected as (moment, line)."""

    def __init__(self, argv, locale='C.UTF-8', **options):
        self.lines = []
        self.process = subprocess.Popen(argv, stdout=subprocess.PIPE, text=True,
                                        env=dict(os.environ, LC_ALL=locale), **options)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append((time.monotonic(), line.strip()))

    def texts(self):
        return [line for _, line in self.lines]

    def wait_until(self, condition, limit_s):
        end = time.monotonic() + limit_s
        while not condition():
            if time.monotonic() > end:
                return False
            time.sleep(0.05)
        return True

    def shows(self, expected, limit_s):
        return self.wait_until(lambda: expected in self.texts(), limit_s)

    def first(self, expected):
        return next((at for at, line in self.lines if line == expected), None)

    def stop(self):
        self.process.terminate()
        self.finish(10)

    def finish(self, limit_s):
        self.process.wait(timeout=limit_s)
        self.reader.join(timeout=5)
