#!/usr/bin/env python3
"""The monitoring link end to end without a display: the link's test server and
`dravelfmt --connect` in separate processes on loopback.

Checks that dravelfmt evaluates its text against the server's records over an encrypted
link, that two clients of one server both read every record, that a wrong or missing
password ends with a clear message and status 2, and that a stopped server is reported
while a restarted one is read again. With --secure: the right password reads the records
over the authenticated link, a wrong one is refused (its text on standard error, status
2), and a server that ignores the handshake is given up after its time limit.

Usage: link_fmt_e2e.py <dravelfmt> <link_test_server>
"""
import socket
import subprocess
import sys
import threading
import time

from link_server import LinkTestServer

DEADLINE = 30.0
PASSWORD = "Two Words"
TEXT = "<NAME=CompName>|<NAME=Processes>|<NAME=Threads>"


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def connect(dravelfmt, port, password, count, secure=False):
    args = [dravelfmt, "--connect", "127.0.0.1:%d" % port, "--count", str(count),
            "--interval", "100", "--plain", TEXT]
    if password is not None:
        args[1:1] = ["--password", password]
    if secure:
        args[1:1] = ["--secure"]
    return subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def finish(proc):
    try:
        out, err = proc.communicate(timeout=DEADLINE)
    except subprocess.TimeoutExpired:
        proc.kill()
        fail("dravelfmt --connect did not end")
    return proc.returncode, out.splitlines(), err


def check_secure(dravelfmt, port):
    status, lines, err = finish(connect(dravelfmt, port, PASSWORD, 3, secure=True))
    if status != 0 or lines != ["LINKTEST|123|456"] * 3:
        fail("--secure, right password: status %d, %r, %r" % (status, lines, err))
    for password in ("two words", None):
        status, lines, err = finish(connect(dravelfmt, port, password, 3, secure=True))
        if (status != 2 or "The server refused the link password" not in err
                or "LINKTEST" in "".join(lines) or err.count("\n") != 1):
            fail("--secure, password %r: status %d, %r, %r" % (password, status, lines, err))

    # A server without the mode: it takes the connection and never answers the hello.
    with socket.socket() as mute:
        mute.bind(("127.0.0.1", 0))
        mute.listen(1)
        held = []
        threading.Thread(target=lambda: held.append(mute.accept()), daemon=True).start()
        started = time.monotonic()
        status, lines, err = finish(connect(dravelfmt, mute.getsockname()[1], PASSWORD, 1,
                                            secure=True))
        took = time.monotonic() - started
        if status != 2 or "authenticated" not in err or not 4.5 <= took <= 15:
            fail("--secure, a mute server: status %d after %.1f s, %r" % (status, took, err))
        for peer, _ in held:
            peer.close()


def main():
    if len(sys.argv) != 3:
        fail("usage: link_fmt_e2e.py <dravelfmt> <link_test_server>")
    dravelfmt, server_program = sys.argv[1], sys.argv[2]
    server = LinkTestServer(server_program, password=PASSWORD)
    try:
        # Two clients at once, each reading five records.
        clients = [connect(dravelfmt, server.port, PASSWORD, 5) for _ in range(2)]
        for proc in clients:
            status, lines, err = finish(proc)
            if status != 0:
                fail("a client ended with %d: %s" % (status, err))
            if lines != ["LINKTEST|123|456"] * 5:
                fail("a client showed %r" % lines)

        for password in ("two words", None):
            status, lines, err = finish(connect(dravelfmt, server.port, password, 3))
            if status != 2 or "no readable record" not in err or "LINKTEST" in "".join(lines):
                fail("password %r: status %d, %r, %r" % (password, status, lines, err))

        check_secure(dravelfmt, server.port)

        port = server.port
        server.stop()
        status, _, err = finish(connect(dravelfmt, port, PASSWORD, 1))
        if status != 2 or "cannot reach the server" not in err:
            fail("a stopped server: status %d, %r" % (status, err))
        server = LinkTestServer(server_program, port, PASSWORD)
        status, lines, err = finish(connect(dravelfmt, port, PASSWORD, 2))
        if status != 0 or lines != ["LINKTEST|123|456"] * 2:
            fail("the restarted server: status %d, %r, %r" % (status, lines, err))
    finally:
        server.stop()
    print("link end to end (dravelfmt): OK")


if __name__ == "__main__":
    main()
