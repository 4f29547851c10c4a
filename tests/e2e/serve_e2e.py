#!/usr/bin/env python3
"""The headless server end to end, without a display: a real Prometheus server scrapes
`dravel --serve` every second, and its query API gives the machine's MemTotal and a
moving processor counter; promtool accepts a scrape; `dravelfmt --connect` reads the
server's link and one SOAP call reaches its web service; a second --serve of the same
user ends with 1; SIGTERM stops the server with 0 within two seconds.

Usage: serve_e2e.py <dravel> <dravelfmt>
"""
import json
import os
import socket
import subprocess
import sys
import tempfile
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from link_e2e import free_port  # noqa: E402
from panel_e2e import fail, wait_for  # noqa: E402
from serve_support import Server, headless_env  # noqa: E402

DEADLINE = 20.0  # seconds for any one step
SOAP_GET_VERSION = (
    '<?xml version="1.0"?><SOAP-ENV:Envelope '
    'xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/">'
    '<SOAP-ENV:Body><NS1:GetVersion xmlns:NS1="urn:VantorIntf-IVantorWS"/>'
    '</SOAP-ENV:Body></SOAP-ENV:Envelope>')


def fetch(url, data=None, headers=None):
    request = urllib.request.Request(url, data=data, headers=headers or {})
    with urllib.request.urlopen(request, timeout=5) as response:
        return response.headers, response.read()


def mem_total_bytes():
    with open("/proc/meminfo") as info:
        for line in info:
            if line.startswith("MemTotal:"):
                return int(line.split()[1]) * 1024
    fail("no MemTotal in /proc/meminfo")


def query(prometheus_port, expression):
    url = "http://127.0.0.1:%d/api/v1/query?%s" % (
        prometheus_port, urllib.parse.urlencode({"query": expression}))
    try:
        _, body = fetch(url)
    except OSError:
        return []
    answer = json.loads(body)
    return answer.get("data", {}).get("result", []) if answer.get("status") == "success" else []


def start_prometheus(root, web_port):
    port = free_port()
    config = os.path.join(root, "prometheus.yml")
    with open(config, "w") as out:
        out.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                  "scrape_configs:\n  - job_name: dravel\n"
                  "    static_configs:\n      - targets: ['127.0.0.1:%d']\n" % web_port)
    proc = subprocess.Popen(
        ["prometheus", "--config.file=" + config, "--storage.tsdb.path=" + os.path.join(root, "tsdb"),
         "--web.listen-address=127.0.0.1:%d" % port, "--log.level=warn"],
        stdout=subprocess.DEVNULL, stderr=open(os.path.join(root, "prometheus.log"), "w"))
    return proc, port


def check_scrape(web_port):
    headers, page = fetch("http://127.0.0.1:%d/metrics" % web_port)
    if headers.get("Content-Type") != "text/plain; version=0.0.4; charset=utf-8":
        fail("the metrics answer as %r" % headers.get("Content-Type"))
    check = subprocess.run(["promtool", "check", "metrics"], input=page, capture_output=True,
                           timeout=30)
    if check.returncode != 0:
        fail("promtool check metrics: %s%s" % (check.stdout.decode(), check.stderr.decode()))
    text = page.decode()
    for family in ("dravel_cpu_seconds_total{cpu=\"0\",mode=\"idle\"}", "dravel_build_info{version=\"87\"} 1",
                   "# TYPE dravel_uptime_longest_seconds gauge", "dravel_scrape_duration_seconds "):
        if family not in text:
            fail("the scrape lacks %r" % family)


def check_link_and_soap(dravelfmt, env, link_port, web_port):
    out = subprocess.run([dravelfmt, "--connect", "127.0.0.1:%d" % link_port, "--count", "2",
                          "--interval", "500", "--plain", "<NAME=Processes>|<NAME=CompName>"],
                         env=env, capture_output=True, text=True, timeout=DEADLINE)
    lines = out.stdout.splitlines()
    if out.returncode != 0 or len(lines) != 2:
        fail("dravelfmt --connect ended with %d: %r %s" % (out.returncode, lines, out.stderr))
    processes, name = lines[-1].split("|", 1)
    if not processes.isdigit() or int(processes) <= 0 or name != socket.gethostname()[:15]:
        fail("dravelfmt --connect read %r" % lines[-1])
    _, answer = fetch("http://127.0.0.1:%d/soap/IVantorWS" % web_port, SOAP_GET_VERSION.encode(),
                      {"Content-Type": "text/xml", "SOAPAction": "urn:VantorIntf-IVantorWS#GetVersion"})
    if b'>87</return>' not in answer:
        fail("GetVersion answered %r" % answer[:400])


def main():
    if len(sys.argv) != 3:
        fail("usage: serve_e2e.py <dravel> <dravelfmt>")
    dravel, dravelfmt = (os.path.abspath(p) for p in sys.argv[1:])
    with tempfile.TemporaryDirectory() as root:
        env = headless_env(root)
        link_port, web_port = free_port(), free_port()
        try:
            server = Server(dravel, env, "--link-port", str(link_port), "--web-port=%d" % web_port,
                            "--interval", "1000", "--settings", os.path.join(root, "store.db"))
        except RuntimeError as error:
            fail(str(error))
        prometheus = None
        try:
            second = subprocess.run([dravel, "--serve", "--link-port", str(free_port()), "--web-port",
                                     str(free_port())], env=env, capture_output=True, text=True,
                                    timeout=DEADLINE)
            if second.returncode != 1 or "already running" not in second.stderr:
                fail("a second --serve ended with %d: %s" % (second.returncode, second.stderr))

            check_scrape(web_port)
            check_link_and_soap(dravelfmt, env, link_port, web_port)

            prometheus, prometheus_port = start_prometheus(root, web_port)
            memory = wait_for("dravel_memory_total_bytes in Prometheus",
                              lambda: query(prometheus_port, "dravel_memory_total_bytes"))
            if float(memory[0]["value"][1]) != mem_total_bytes():
                fail("Prometheus has dravel_memory_total_bytes %s, MemTotal is %d"
                     % (memory[0]["value"][1], mem_total_bytes()))
            wait_for("a non-zero rate(dravel_cpu_seconds_total[5s])",
                     lambda: [r for r in query(prometheus_port, "sum(rate(dravel_cpu_seconds_total[5s]))")
                              if float(r["value"][1]) > 0])
        finally:
            if prometheus:
                prometheus.terminate()
                prometheus.wait(timeout=10)
            status, took = server.stop()
        if status != 0 or took > 2.0:
            fail("SIGTERM ended the server with %d after %.1f s" % (status, took))
        if not server.lines or server.lines[-1] != "dravel: server stopped":
            fail("the server's log ends with %r" % server.lines[-1:])


if __name__ == "__main__":
    main()
