"""The headless server of the end-to-end tests: `dravel --serve` started without a
display in a home of its own, waited for until it says it started, and stopped."""
import os
import select
import signal
import subprocess
import time

DEADLINE = 15.0


def headless_env(home):
    """No display at all, and the home's own settings, runtime and temporary folders."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    run = os.path.join(home, "run")
    os.makedirs(run, mode=0o700, exist_ok=True)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_RUNTIME_DIR=run,
               TMPDIR=home)
    return env


class Server:
    def __init__(self, dravel, env, *args):
        self.proc = subprocess.Popen([dravel, "--serve", *args], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE, text=True)
        self.lines = []
        end = time.monotonic() + DEADLINE
        while not any("server started" in line for line in self.lines):
            if time.monotonic() > end or self.proc.poll() is not None:
                self.stop()
                raise RuntimeError("the server did not start: %r" % self.lines)
            ready, _, _ = select.select([self.proc.stderr], [], [], 0.5)
            if ready:
                self.lines.append(self.proc.stderr.readline().rstrip("\n"))

    def stop(self):
        """SIGTERM; the exit status and the seconds it took, and the rest of its log."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        start = time.monotonic()
        try:
            status = self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            status = self.proc.wait()
        took = time.monotonic() - start
        self.lines += self.proc.stderr.read().splitlines()
        return status, took
