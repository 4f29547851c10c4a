#!/usr/bin/env python3
"""The soak run behind bench/soak.sh: one serving panel (link server and web service) on a
private Xvfb display, under every kind of load at once for SOAK_SECONDS, on loopback only.

Loads: SOAP calls with ab, a new connection per call and keep-alive; /wsdl pages; floods
of idle connections past the panel's descriptor limit, with a call timed meanwhile;
oversized, malformed and stalled requests (meant to be refused); link clients with the
right and a wrong password (client panels, and dravelfmt --connect); one connection
flooding "W". Prints a summary block; exits 0 when nothing failed that was not meant to.

Usage: bench/soak.py <build folder>
"""
import multiprocessing
import os
import re
import resource
import selectors
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import link_e2e  # noqa: E402
from panel_e2e import Xvfb  # noqa: E402

SECONDS = int(os.environ.get("SOAK_SECONDS", "600"))
NOFILE = os.environ.get("SOAK_NOFILE", "1024:4096")  # the panel's limits, as on a desktop
# Callers of each of the two SOAP loads. The web layer answers past 32 calls at once with
# its fault, by design: both loads, the page loop and the flood's probe stay below that.
CONCURRENCY = int(os.environ.get("SOAK_CONCURRENCY", "14"))
FLOOD_EVERY = int(os.environ.get("SOAK_FLOOD_EVERY", "60"))
# Past the panel's hard limit, so past any cap it can set.
FLOOD_SIZE = int(os.environ.get("SOAK_FLOOD", str(int(NOFILE.split(":")[-1]) + 500)))
LOOK_EVERY = 5
FORMAT_TEXT = link_e2e.FORMAT_TEXT
CALL = ('<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/'
        'envelope/"><soap:Body><GetProcUsage xmlns="urn:VantorIntf-IVantorWS"><Selection>0'
        '</Selection></GetProcUsage></soap:Body></soap:Envelope>')


def p99(values):
    if not values:
        return 0.0
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * 0.99))]


def panel_figures(pid):
    """(open descriptors, resident kB) of a live process."""
    fds = len(os.listdir("/proc/%d/fd" % pid))
    with open("/proc/%d/status" % pid) as f:
        rss = int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))
    return fds, rss


def post(port, body, timeout=10):
    """One call on a new connection: (status or None, seconds)."""
    start = time.monotonic()
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
            s.sendall(("POST /soap/IVantorWS HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml"
                       "\r\nConnection: close\r\nContent-Length: %d\r\n\r\n%s"
                       % (len(body), body)).encode())
            status = read_status(s, timeout)
    except OSError:
        status = None
    return status, time.monotonic() - start


def read_status(s, timeout):
    """The status code of the answer read until the server closes; 0 for a close without
    any answer, None when it neither answers nor closes in time."""
    s.settimeout(timeout)
    got = b""
    end = time.monotonic() + timeout
    try:
        while time.monotonic() < end:
            chunk = s.recv(65536)
            if not chunk:
                break
            got += chunk[:64] if len(got) < 64 else b""
    except socket.timeout:
        return None
    except OSError:
        pass  # reset: the server closed with bytes unread
    found = re.match(rb"HTTP/1\.[01] (\d{3})", got)
    return int(found.group(1)) if found else 0


# --- workers, each a process of its own so that none stalls another's timing ---

def ab_rounds(port, keep_alive, deadline, folder):
    """ab in rounds of up to 20 s until the deadline; totals and each round's p99."""
    call = os.path.join(folder, "call.xml")
    totals = {"calls": 0, "failed": 0, "non2xx": 0, "seconds": 0.0, "p99s": []}
    while time.monotonic() < deadline - 1:
        span = max(1, min(20, int(deadline - time.monotonic())))
        args = ["ab", "-q", "-l", "-r", "-s", "10", "-t", str(span), "-n", "100000000",
                "-c", str(CONCURRENCY), "-p", call, "-T", "text/xml"]
        if keep_alive:
            args.append("-k")
        out = subprocess.run(args + ["http://127.0.0.1:%d/soap/IVantorWS" % port],
                             capture_output=True, text=True, timeout=span + 60).stdout

        def field(name):
            found = re.search(r"^%s:\s+([\d.]+)" % re.escape(name), out, re.M)
            return float(found.group(1)) if found else 0.0
        totals["calls"] += int(field("Complete requests"))
        totals["failed"] += int(field("Failed requests"))
        totals["non2xx"] += int(field("Non-2xx responses"))
        totals["seconds"] += field("Time taken for tests")
        found = re.search(r"^\s+99%\s+(\d+)", out, re.M)
        if found:
            totals["p99s"].append(int(found.group(1)))
        elif "Complete requests" not in out:
            totals["failed"] += 1  # ab itself gave up
    return totals


def wsdl_pages(port, deadline):
    paths = ["/wsdl", "/wsdl/IVantorWS", "/wsdl/IWSDLPublish"]
    latencies, failures, n = [], {}, 0  # failures by status (None: no answer in time)
    while time.monotonic() < deadline:
        path = paths[n % len(paths)]
        n += 1
        start = time.monotonic()
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
                s.sendall(("GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
                           % path).encode())
                status = read_status(s, 10)
        except OSError:
            status = None
        latencies.append(time.monotonic() - start)
        if status != 200:
            failures[status] = failures.get(status, 0) + 1
    return {"pages": n, "failed": failures, "p99": p99(latencies)}


def idle_floods(port, deadline):
    """Every FLOOD_EVERY seconds: FLOOD_SIZE idle connections (opened within 15 s), held for
    5 s while one call is timed, then closed."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    floods = []
    next_flood = time.monotonic() + min(15, FLOOD_EVERY)
    while time.monotonic() + 25 < deadline:
        if time.monotonic() < next_flood:
            time.sleep(0.5)
            continue
        next_flood += FLOOD_EVERY
        sel = selectors.DefaultSelector()
        pending, opened, refused = set(), [], 0
        end = time.monotonic() + 15
        for _ in range(min(FLOOD_SIZE, hard - 64)):
            s = socket.socket()
            s.setblocking(False)
            if s.connect_ex(("127.0.0.1", port)) not in (0, 115):  # EINPROGRESS
                refused += 1
                s.close()
                continue
            pending.add(s)
            sel.register(s, selectors.EVENT_WRITE)
        while pending and time.monotonic() < end:
            for key, _ in sel.select(0.2):
                s = key.fileobj
                sel.unregister(s)
                pending.discard(s)
                if s.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR) == 0:
                    opened.append(s)
                else:
                    refused += 1
                    s.close()
        for s in pending:
            sel.unregister(s)
            s.close()
        status, took = post(port, CALL)
        time.sleep(5)
        closed = 0
        for s in opened:
            try:
                closed += s.recv(1) == b""
            except BlockingIOError:
                pass
            except OSError:
                closed += 1
            s.close()
        sel.close()
        floods.append({"opened": len(opened), "unconnected": refused + len(pending),
                       "closed": closed, "call": status, "took": took})
    return floods


NO_CONNECTION = -1
BAD_REQUESTS = [
    ("headers over 16 KiB", b"GET /wsdl HTTP/1.1\r\nX-Big: " + b"a" * 20000 + b"\r\n\r\n"),
    ("body over 1 MiB", b"POST /soap/IVantorWS HTTP/1.1\r\nContent-Length: 2097152\r\n\r\n"
     + b"x" * 2097152),
    ("bad Content-Length", b"POST /soap/IVantorWS HTTP/1.1\r\nContent-Length: 12x\r\n\r\nhello"),
    ("two Content-Lengths", b"POST /soap HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6"
     b"\r\n\r\nhello!"),
    ("broken version", b"GET /wsdl HTTP/x.y\r\n\r\n"),
    ("bad header line", b"GET /wsdl HTTP/1.1\r\nno colon here\r\n\r\n"),
    ("no space", b"GARBAGE\r\n\r\n"),
    ("PUT", b"PUT /wsdl HTTP/1.1\r\nContent-Length: 2\r\n\r\nhi"),
    ("binary", bytes(range(256)) * 4),
]


def bad_requests(port, deadline):
    """Each refused request, again and again, and now and then one never finished: the
    answers seen per case; a 2xx, no close within 20 s or no connection is unexpected."""
    seen, lock, n = {}, threading.Lock(), 0

    def seen_add(name, status):
        with lock:
            counts = seen.setdefault(name, {})
            counts[status] = counts.get(status, 0) + 1
    stalled = None
    while time.monotonic() < deadline:
        if stalled is None and time.monotonic() + 20 < deadline:
            stalled = threading.Thread(target=lambda: seen_add(
                "never finished", stall(port)))
            stalled.start()
        name, data = BAD_REQUESTS[n % len(BAD_REQUESTS)]
        n += 1
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=20) as s:
                try:
                    s.sendall(data)
                except OSError:
                    pass  # closed while still sending: refused early
                status = read_status(s, 20)
        except OSError:
            status = NO_CONNECTION
        seen_add(name, status)
        if stalled is not None and not stalled.is_alive():
            stalled = None
        time.sleep(0.02)
    if stalled is not None:
        stalled.join(30)
    unexpected = sum(v for statuses in seen.values() for k, v in statuses.items()
                     if k is None or k == NO_CONNECTION or 200 <= k < 300)
    return {"sent": sum(sum(v.values()) for v in seen.values()), "unexpected": unexpected,
            "cases": seen}


def stall(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=20) as s:
            s.sendall(b"GET /wsdl HTTP/1.1\r\n")
            return read_status(s, 20)
    except OSError:
        return NO_CONNECTION


def link_probes(dravelfmt, port, deadline):
    """dravelfmt --connect once a second, alternately with the right and a wrong password;
    the right one shows this machine's name, as dravelfmt reads it here."""
    own_name = subprocess.run([dravelfmt, "<NAME=CompName>"], capture_output=True, text=True,
                              timeout=20).stdout.strip()
    right = {"ok": 0, "failed": 0}
    wrong = {"refused": 0, "shown": 0}
    n = 0
    while time.monotonic() < deadline:
        n += 1
        password = link_e2e.PASSWORD if n % 2 else "not the password"
        try:
            result = subprocess.run(
                [dravelfmt, "--connect", "127.0.0.1:%d" % port, "--password", password,
                 "--count", "1", "<NAME=CompName>"], capture_output=True, text=True, timeout=20)
            good = result.returncode == 0 and result.stdout.strip() == own_name
        except subprocess.TimeoutExpired:
            good = False
        if n % 2:
            right["ok" if good else "failed"] += 1
        else:
            wrong["shown" if good else "refused"] += 1
        time.sleep(1)
    return {"right": right, "wrong": wrong}


def w_flood(port, deadline):
    """One connection sending "W" as fast as it can take them, reading whatever comes."""
    sent = received = reconnects = 0
    chunk = b"W" * 4096
    start = time.monotonic()
    while time.monotonic() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
                s.setblocking(False)
                sel = selectors.DefaultSelector()
                sel.register(s, selectors.EVENT_READ | selectors.EVENT_WRITE)
                while time.monotonic() < deadline:
                    for _, events in sel.select(0.5):
                        if events & selectors.EVENT_READ:
                            got = s.recv(1 << 16)
                            if not got:
                                raise ConnectionResetError
                            received += len(got)
                        if events & selectors.EVENT_WRITE:
                            sent += s.send(chunk)
                sel.close()
        except (OSError, ConnectionResetError):
            reconnects += 1
            time.sleep(1)
    return {"sent": sent, "received": received, "reconnects": reconnects,
            "seconds": time.monotonic() - start}


def in_process(target, *args):
    """Starts target(*args) in a process of its own; its result through a pipe."""
    receive, send = multiprocessing.Pipe(duplex=False)

    def run():
        send.send(target(*args))
    proc = multiprocessing.Process(target=run, daemon=True)
    proc.start()
    return proc, receive


def collect(started, timeout):
    results = {}
    for name, (proc, receive) in started.items():
        results[name] = receive.recv() if receive.poll(timeout) else None
        proc.join(5)
        if proc.is_alive():
            proc.kill()
    return results


def mb(kb):
    return "%.1f MB" % (kb / 1024)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    build = os.path.abspath(sys.argv[1])
    dravel = os.path.join(build, "src", "dravel")
    dravelfmt = os.path.join(build, "tools", "dravelfmt")
    for program in (dravel, dravelfmt):
        if not os.access(program, os.X_OK):
            print("build %s first" % program, file=sys.stderr)
            return 2
    link_port = link_e2e.free_port()
    web_port = link_e2e.free_port()
    while web_port == link_port:
        web_port = link_e2e.free_port()
    xvfb = Xvfb()
    panels = []
    try:
        with tempfile.TemporaryDirectory() as root:
            with open(os.path.join(root, "call.xml"), "w") as f:
                f.write(CALL)

            def home(name, values, host_values=None):
                path = os.path.join(root, name)
                link_e2e.seed(path, link_e2e.MAIN_KEY, {"Version": 87, **values})
                if host_values:
                    link_e2e.seed(path, link_e2e.MAIN_KEY + "\\127.0.0.1:%d" % link_port,
                                  host_values)
                return path

            server_home = home("server", {
                "Server": 1, "ServPort": link_port, "Password": link_e2e.PASSWORD,
                "WebService": 1, "WebServicePort": web_port, "FormatString": FORMAT_TEXT,
                "NoTrayNoticeShown": 1, "X": 20, "Y": 100})
            server = link_e2e.Panel("/usr/bin/prlimit", xvfb.display, server_home,
                                    ["--nofile=" + NOFILE, dravel])
            panels.append(server)
            link_e2e.wait_for("the link server", lambda: link_e2e.listening(link_port))
            link_e2e.wait_for("the web service", lambda: link_e2e.listening(web_port))

            def client(name, password, x):
                panel = link_e2e.Panel(dravel, xvfb.display, home(
                    name, {}, {"FormatString": FORMAT_TEXT, "Interval": 300,
                               "NoTrayNoticeShown": 1, "X": x, "Y": 100}),
                    ["-c", "-i127.0.0.1", "-p%d" % link_port, "-d" + password])
                panels.append(panel)
                return panel
            right = client("right", link_e2e.PASSWORD, 400)
            wrong = client("wrong", "not the password", 800)
            name_line = link_e2e.wait_for("the server's name line", lambda: server.line(0))
            link_e2e.wait_for("the client to show the server's figures",
                              lambda: link_e2e.same_line(right.line(0), name_line))
            time.sleep(3)
            pid = server.proc.pid
            start_fds, start_rss = panel_figures(pid)
            print("soak: %d s, panel %d (nofile %s), web service :%d, link :%d"
                  % (SECONDS, pid, NOFILE, web_port, link_port), flush=True)

            deadline = time.monotonic() + SECONDS
            started = {
                "wsdl": in_process(wsdl_pages, web_port, deadline),
                "floods": in_process(idle_floods, web_port, deadline),
                "bad": in_process(bad_requests, web_port, deadline),
                "link": in_process(link_probes, dravelfmt, link_port, deadline),
                "wflood": in_process(w_flood, link_port, deadline),
            }
            ab = {}
            ab_threads = [threading.Thread(target=lambda k=k: ab.__setitem__(
                k, ab_rounds(web_port, k, deadline, root)), daemon=True) for k in (False, True)]
            for t in ab_threads:
                t.start()

            looks = {"server": [0, 0], "right": [0, 0]}
            wrong_shown = 0
            last = {"server": server.line(1), "right": right.line(1)}
            max_fds, max_rss, alive = start_fds, start_rss, True
            while time.monotonic() < deadline:
                time.sleep(LOOK_EVERY)
                if server.proc.poll() is not None:
                    alive = False
                    break
                fds, rss = panel_figures(pid)
                max_fds, max_rss = max(max_fds, fds), max(max_rss, rss)
                for name, panel in (("server", server), ("right", right)):
                    now = panel.line(1)
                    looks[name][0] += 1
                    looks[name][1] += not link_e2e.same_line(now, last[name])
                    last[name] = now
                wrong_shown += link_e2e.same_line(wrong.line(0), name_line)
            for t in ab_threads:
                t.join(SECONDS + 120)
            results = collect(started, 120 if alive else 5)

            # Figures once the load has gone: keep-alive and stalled connections time out.
            end_fds = end_rss = None
            if alive and server.proc.poll() is None:
                settle = time.monotonic() + 30
                while True:
                    end_fds, end_rss = panel_figures(pid)
                    if end_fds <= start_fds or time.monotonic() > settle:
                        break
                    time.sleep(1)
            alive = alive and server.proc.poll() is None
            return report(results, ab, looks, wrong_shown, alive, (start_fds, start_rss),
                          (end_fds, end_rss), (max_fds, max_rss))
    finally:
        for panel in reversed(panels):
            panel.stop()
        xvfb.stop()


def report(results, ab, looks, wrong_shown, alive, start, end, peak):
    lines, problems = [], []

    def check(ok, what):
        if not ok:
            problems.append(what)

    for key, title in ((False, "SOAP, new connection per call"), (True, "SOAP, keep-alive")):
        r = ab.get(key)
        if not r:
            lines.append("%-32s: no result" % title)
            check(False, title + ": no result")
            continue
        rate = r["calls"] / r["seconds"] if r["seconds"] else 0
        worst = max(r["p99s"]) if r["p99s"] else 0
        median = statistics.median(r["p99s"]) if r["p99s"] else 0
        lines.append("%-32s: %d calls, %.0f calls/s, p99 %d ms (median round %g ms), failures %d,"
                     " non-2xx %d" % (title, r["calls"], rate, worst, median, r["failed"],
                                      r["non2xx"]))
        check(r["failed"] + r["non2xx"] == 0, title + " failures")
    w = results.get("wsdl")
    if w:
        lines.append("%-32s: %d pages, %.0f pages/s, p99 %.1f ms, failures %d %s"
                     % ("WSDL pages", w["pages"], w["pages"] / SECONDS, w["p99"] * 1000,
                        sum(w["failed"].values()), w["failed"] or ""))
        check(not w["failed"], "WSDL page failures")
    floods = results.get("floods")
    if floods is not None:
        calls_ok = sum(f["call"] == 200 for f in floods)
        slowest = max((f["took"] for f in floods), default=0)
        lines.append("%-32s: %d of %d connections: opened %s, not connected %s, closed by the"
                     " panel %s; call meanwhile answered %d/%d, slowest %.2f s"
                     % ("idle floods", len(floods), FLOOD_SIZE,
                        "/".join(str(f["opened"]) for f in floods) or "-",
                        "/".join(str(f["unconnected"]) for f in floods) or "-",
                        "/".join(str(f["closed"]) for f in floods) or "-",
                        calls_ok, len(floods), slowest))
        check(calls_ok == len(floods), "a call during an idle flood failed")
    bad = results.get("bad")
    if bad:
        def answers(statuses):
            names = {0: "closed without status", None: "NOT CLOSED",
                     NO_CONNECTION: "NOT CONNECTED"}
            return ", ".join("%s %d" % (names.get(k, k), v) for k, v in sorted(
                statuses.items(), key=lambda kv: -2 if kv[0] is None else kv[0]))
        lines.append("%-32s: %d sent, unexpected %d" % ("refused (meant to fail)", bad["sent"],
                                                        bad["unexpected"]))
        for name, statuses in bad["cases"].items():
            lines.append("%-32s    %-22s %s" % ("", name + ":", answers(statuses)))
        check(bad["unexpected"] == 0, "a refused request was served or left hanging")
    link = results.get("link")
    if link:
        lines.append("%-32s: %d ok, %d failed" % ("link, right password", link["right"]["ok"],
                                                   link["right"]["failed"]))
        lines.append("%-32s: %d refused (meant to fail), %d shown" % (
            "link, wrong password", link["wrong"]["refused"], link["wrong"]["shown"]))
        check(link["right"]["failed"] == 0, "a link client with the password failed")
        check(link["wrong"]["shown"] == 0, "a link client with a wrong password was served")
    wf = results.get("wflood")
    if wf:
        lines.append("%-32s: sent %.1f MB, received %.1f MB (%.0f replies/s), reconnects %d"
                     % ("W flood", wf["sent"] / 1e6, wf["received"] / 1e6,
                        wf["received"] / 312 / max(wf["seconds"], 1), wf["reconnects"]))
    for name, title in (("server", "serving panel's clock"), ("right", "client panel's clock")):
        count, changed = looks[name]
        lines.append("%-32s: changed in %d of %d looks" % (title, changed, count))
        check(count > 0 and changed >= count * 0.8, title + " stopped changing")
    lines.append("%-32s: showed the server's figures in %d looks" % (
        "wrong-password client panel", wrong_shown))
    check(wrong_shown == 0, "the wrong-password client panel showed the server's figures")
    lines.append("%-32s: start %d, end %s, peak %d" % ("panel file descriptors", start[0],
                                                       end[0] if end[0] else "-", peak[0]))
    lines.append("%-32s: start %s, end %s, peak %s" % ("panel resident memory", mb(start[1]),
                                                       mb(end[1]) if end[1] else "-",
                                                       mb(peak[1])))
    lines.append("%-32s: %s" % ("panel", "running" if alive else "ENDED during the soak"))
    check(alive, "the panel ended")
    if alive and end[0] is not None:
        check(end[0] <= start[0] + 2, "file descriptors not back to their start figure")
        check(end[1] <= start[1] + 30 * 1024, "resident memory not back within 30 MB")
    for what in results:
        check(results[what] is not None, what + ": the worker gave no result")
    print("\n==== soak summary (%d s) ====" % SECONDS)
    for line in lines:
        print(line)
    print("unexpected failures: %s" % ("none" if not problems else "; ".join(problems)))
    print("==== %s ====" % ("PASS" if not problems else "FAIL"), flush=True)
    return 0 if not problems else 1


def stopped(*_):
    """A stop from soak.sh: everything this run started (its own process group: panels,
    display, ab, workers) ends at once, and the folder goes on the way out."""
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
    if os.getpgrp() == os.getpid():
        os.killpg(0, signal.SIGTERM)
    sys.exit(143)


if __name__ == "__main__":
    multiprocessing.set_start_method("fork")
    signal.signal(signal.SIGTERM, stopped)
    sys.exit(main())
