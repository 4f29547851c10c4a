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
SERVER="$BUILD/tests/service/dravel_service_test_server"
[ -x "$SERVER" ] || { echo "build $SERVER first" >&2; exit 1; }
command -v ab > /dev/null || { echo "ab (apache2-utils) is missing" >&2; exit 1; }
ulimit -n 16384 2> /dev/null || true   # room for this script's own 5,000 sockets

WORK=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$WORK"' EXIT
mkfifo "$WORK/in"
prlimit --nofile=1024:4096 "$SERVER" --refresh-ms 250 < "$WORK/in" > "$WORK/port" &
PID=$!
exec 3> "$WORK/in"
while [ ! -s "$WORK/port" ]; do sleep 0.1; done
PORT=$(head -1 "$WORK/port")
URL="http://127.0.0.1:$PORT/soap/IVantorWS"
cat > "$WORK/call.xml" <<'XML'
<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body><GetVersion xmlns="urn:VantorIntf-IVantorWS"></GetVersion></soap:Body></soap:Envelope>
XML

run_ab() {
  echo "== ab $*"
  ab -q "$@" -p "$WORK/call.xml" -T text/xml "$URL" > "$WORK/ab.txt"
  grep -E '^(Complete requests|Failed requests|Non-2xx responses|Keep-Alive requests|Requests per second)' "$WORK/ab.txt" || true
  grep -E '^ +99%' "$WORK/ab.txt" | sed 's/^ */latency p/'
}
run_ab -n 50000 -c 32
run_ab -k -n 100000 -c 32

echo "== floods"
python3 "$HERE/http_flood.py" idle "$PORT" "$PID"
python3 "$HERE/http_flood.py" attempts "$PORT" "$PID"
python3 "$HERE/http_flood.py" bodies "$PORT" "$PID"
kill -0 "$PID" && echo "server still running"
exec 3>&-
wait "$PID"
