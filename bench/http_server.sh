#!/bin/sh
# The web service's HTTP server under load, against the service test server (the real
# SOAP layer, the panel's refresh every 250 ms under the guard), started under
# `prlimit --nofile=1024:4096` as a desktop session starts the panel:
#   - GetVersion over SOAP with ab (apache2-utils) at concurrency 32, a new connection
#     per call and then kept connections (ab -k): calls per second, failures, p99;
#   - 1,000 idle connections held open and one new call;
#   - 5,000 connection attempts held open, then a call once they close;
#   - resident memory around a burst of 250 concurrent 1 MiB bodies.
#
# Usage: bench/http_server.sh [build folder]   (default: build)
set -eu
BUILD=${1:-build}
HERE=$(dirname "$0")
ulimit -n 16384 2> /dev/null || true   # room for this script's own 5,000 sockets

WORK=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$WORK"' EXIT
. "$HERE/service_server.sh"
start_service_server prlimit --nofile=1024:4096 -- --refresh-ms 250
URL="http://127.0.0.1:$PORT/soap/IVantorWS"
write_call "$WORK/call.xml" GetVersion

run_ab "$URL" -n 50000 -c 32
run_ab "$URL" -k -n 100000 -c 32

echo "== floods"
python3 "$HERE/http_flood.py" idle "$PORT" "$PID"
python3 "$HERE/http_flood.py" attempts "$PORT" "$PID"
python3 "$HERE/http_flood.py" bodies "$PORT" "$PID"
kill -0 "$PID" && echo "server still running"
stop_service_server
