#!/usr/bin/env python3
"""Passwords on the headless server's web face, end to end: `dravel --serve` with a
certificate made by openssl, a users file made by htpasswd -B, and a real Prometheus
scraping /metrics over HTTPS with basic_auth until a dravel metric is in its query API;
then curl without credentials and with a wrong password is refused with 401 and the
challenge, and with the right ones is served.

With "plain" the same runs over plain HTTP with WebServiceAllowPlainAuth=1 instead.

Usage: serve_auth_e2e.py <dravel> [https|plain]
"""
import json
import os
import subprocess
import sys
import tempfile
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from link_e2e import MAIN_KEY, free_port, seed  # noqa: E402
from panel_e2e import fail, wait_for  # noqa: E402
from serve_e2e import query  # noqa: E402
from serve_support import Server, headless_env  # noqa: E402

DEADLINE = 30.0  # seconds for Prometheus to report the target up with its figures
USER, PASSWORD = "prometheus", "scrape s3cret"


def run(*command):
    done = subprocess.run(command, capture_output=True, text=True, timeout=30)
    if done.returncode != 0:
        fail("%s ended with %d: %s" % (command[0], done.returncode, done.stderr))
    return done.stdout


def make_certificate(root):
    cert, key = os.path.join(root, "cert.pem"), os.path.join(root, "key.pem")
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
        "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1")
    return cert, key


def start_prometheus(root, scheme, web_port, cert):
    port = free_port()
    config = os.path.join(root, "prometheus.yml")
    with open(config, "w") as out:
        out.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                  "scrape_configs:\n  - job_name: dravel\n    scheme: %s\n" % scheme)
        if scheme == "https":
            out.write("    tls_config:\n      ca_file: %s\n      server_name: localhost\n" % cert)
        out.write("    basic_auth:\n      username: %s\n      password: '%s'\n"
                  "    static_configs:\n      - targets: ['localhost:%d']\n" % (USER, PASSWORD, web_port))
    proc = subprocess.Popen(
        ["prometheus", "--config.file=" + config, "--storage.tsdb.path=" + os.path.join(root, "tsdb"),
         "--web.listen-address=127.0.0.1:%d" % port, "--log.level=warn"],
        stdout=subprocess.DEVNULL, stderr=open(os.path.join(root, "prometheus.log"), "w"))
    return proc, port


def target_up(prometheus_port):
    """Whether Prometheus scraped the target well; else None, and last_error says why."""
    global last_error
    try:
        with urllib.request.urlopen("http://127.0.0.1:%d/api/v1/targets" % prometheus_port, timeout=5) as answer:
            targets = json.loads(answer.read())["data"]["activeTargets"]
    except (OSError, ValueError, KeyError):
        return None
    last_error = "; ".join("%s: %s %s" % (t["scrapeUrl"], t["health"], t["lastError"]) for t in targets)
    return [t for t in targets if t["health"] == "up"] or None


last_error = ""


def curl(scheme, web_port, cert, *extra):
    """The status and the headers of a GET of /metrics."""
    command = ["curl", "-s", "-o", "/dev/null", "-D", "-", "--max-time", "10",
               "%s://localhost:%d/metrics" % (scheme, web_port), *extra]
    if scheme == "https":
        command += ["--cacert", cert]
    headers = run(*command)
    status = headers.split("\n", 1)[0]  # text mode has turned CR LF into LF
    return status, headers


def check_curl(scheme, web_port, cert):
    for what, extra in (("no credentials", ()), ("a wrong password", ("-u", USER + ":wrong")),
                        ("an unknown user", ("-u", "nobody:" + PASSWORD))):
        status, headers = curl(scheme, web_port, cert, *extra)
        if status != "HTTP/1.1 401 Unauthorized" or 'WWW-Authenticate: Basic realm="Dravel"\n' not in headers:
            fail("curl with %s got %r" % (what, headers))
    status, headers = curl(scheme, web_port, cert, "-u", USER + ":" + PASSWORD)
    if status != "HTTP/1.1 200 OK":
        fail("curl with the right credentials got %r" % headers)


def main():
    if len(sys.argv) not in (2, 3):
        fail("usage: serve_auth_e2e.py <dravel> [https|plain]")
    dravel = os.path.abspath(sys.argv[1])
    scheme = {"https": "https", "plain": "http"}.get(sys.argv[2] if len(sys.argv) == 3 else "https")
    if scheme is None:
        fail("the mode is https or plain, not %r" % sys.argv[2])
    with tempfile.TemporaryDirectory() as root:
        env = headless_env(root)
        cert, key = make_certificate(root)
        users = os.path.join(root, "users")
        run("htpasswd", "-cbB", users, USER, PASSWORD)
        values = {"Version": 87, "WebServiceUsers": users}
        if scheme == "https":
            values.update(WebServiceCert=cert, WebServiceKey=key)
        else:
            values.update(WebServiceAllowPlainAuth=1)
        seed(root, MAIN_KEY, values)
        web_port = free_port()
        try:
            server = Server(dravel, env, "--link-port", str(free_port()), "--web-port", str(web_port))
        except RuntimeError as error:
            fail(str(error))
        prometheus = None
        try:
            prometheus, prometheus_port = start_prometheus(root, scheme, web_port, cert)
            try:
                wait_for("the dravel target up in Prometheus", lambda: target_up(prometheus_port), DEADLINE)
            except SystemExit:
                fail("Prometheus reports " + last_error)
            wait_for("dravel_memory_total_bytes in Prometheus",
                     lambda: query(prometheus_port, "dravel_memory_total_bytes"), DEADLINE)
            check_curl(scheme, web_port, cert)
        finally:
            if prometheus:
                prometheus.terminate()
                prometheus.wait(timeout=10)
            status, _ = server.stop()
        if status != 0:
            fail("SIGTERM ended the server with %d: %s" % (status, server.lines))
    print("ok")


if __name__ == "__main__":
    main()
