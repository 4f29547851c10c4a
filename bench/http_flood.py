#!/usr/bin/python3
"""The web service's HTTP server under floods, against a running server on loopback.

  idle PORT PID        1,000 idle connections held open, then the time of one new call
  attempts PORT PID    5,000 connection attempts held open; the server still runs, and
                       answers once they close
  bodies PORT PID      resident memory idle, at the peak of 250 concurrent 1 MiB bodies,
                       and 2 s after they end
"""

import socket
import sys
import threading
import time

CALL = b"GET /wsdl HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n"


def call(port, timeout=10.0):
    start = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(CALL)
        data = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
    return data.startswith(b"HTTP/1.1 200"), time.monotonic() - start


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def fds(pid):
    import os
    return len(os.listdir("/proc/%d/fd" % pid))


def hold(port, count):
    held = []
    for _ in range(count):
        try:
            held.append(socket.create_connection(("127.0.0.1", port), timeout=5))
        except OSError:
            break
    return held


def idle(port, pid):
    held = hold(port, 1000)
    time.sleep(0.5)
    ok, took = call(port)
    print("idle connections held: %d, server fds %d; new call ok=%s in %.1f ms" % (len(held), fds(pid), ok, took * 1000))
    for s in held:
        s.close()


def attempts(port, pid):
    held = hold(port, 5000)
    time.sleep(1.0)
    alive = fds(pid) > 0
    print("connection attempts held: %d, server alive=%s, server fds %d" % (len(held), alive, fds(pid)))
    for s in held:
        s.close()
    time.sleep(1.0)
    ok, took = call(port)
    print("after they closed: call ok=%s in %.1f ms, server fds %d" % (ok, took * 1000, fds(pid)))


def bodies(port, pid):
    before = rss_mb(pid)
    body = b"x" * (1024 * 1024)
    head = b"POST /soap/IVantorWS HTTP/1.1\r\nHost: h\r\nConnection: close\r\nContent-Length: %d\r\n\r\n" % len(body)
    peak = [before]
    statuses = {}
    lock = threading.Lock()
    done = threading.Event()

    def sample():
        while not done.is_set():
            peak[0] = max(peak[0], rss_mb(pid))
            time.sleep(0.01)

    def one():
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
                s.sendall(head + body)
                answer = s.recv(64)
        except OSError:
            answer = b"error"
        status = answer[9:12].decode("ascii", "replace") or "closed"
        with lock:
            statuses[status] = statuses.get(status, 0) + 1

    sampler = threading.Thread(target=sample)
    sampler.start()
    workers = [threading.Thread(target=one) for _ in range(250)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    done.set()
    sampler.join()
    time.sleep(2.0)
    print("250 x 1 MiB bodies: statuses %s; RSS idle %.1f MB, peak %.1f MB, after %.1f MB" %
          (statuses, before, peak[0], rss_mb(pid)))


if __name__ == "__main__":
    {"idle": idle, "attempts": attempts, "bodies": bodies}[sys.argv[1]](int(sys.argv[2]), int(sys.argv[3]))
