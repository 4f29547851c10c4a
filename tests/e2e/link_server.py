"""The link's test server (link_test_server) as the end-to-end tests start and stop it."""
import subprocess


def stop_process(proc, timeout=10):
    """SIGTERM, then SIGKILL if it has not ended within timeout seconds."""
    proc.terminate()
    try:
        proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


class LinkTestServer:
    """One server on loopback; port 0 lets it pick a free port, read back from its
    "PORT <n>" line."""

    def __init__(self, program, port=0, password=None):
        args = [program, "--port", str(port)]
        if password is not None:
            args += ["--password", password]
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().split()
        if len(line) != 2 or line[0] != "PORT":
            stop_process(self.proc)
            raise RuntimeError("the test server did not report its port")
        self.port = int(line[1])

    def stop(self):
        stop_process(self.proc)
