#!/bin/sh
# The web service's HTTP server over TLS, against the service test server (the real SOAP
# layer, the panel's refresh every 250 ms under the guard) given a certificate that
# openssl makes for the run: GetVersion over SOAP with ab (apache2-utils) at concurrency
# 32, with TLS 1.2 and with TLS 1.3, a new connection (and handshake) per call and then
# kept connections (ab -k): calls per second, failures, p99.
#
# Usage: bench/https_server.sh [build folder]   (default: build)
set -eu
BUILD=${1:-build}
SERVER="$BUILD/tests/service/dravel_service_test_server"
[ -x "$SERVER" ] || { echo "build $SERVER first" >&2; exit 1; }
command -v ab > /dev/null || { echo "ab (apache2-utils) is missing" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$WORK"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -keyout "$WORK/key.pem" -out "$WORK/cert.pem" > /dev/null 2>&1
mkfifo "$WORK/in"
"$SERVER" --refresh-ms 250 --tls "$WORK/cert.pem" "$WORK/key.pem" < "$WORK/in" > "$WORK/port" &
PID=$!
exec 3> "$WORK/in"
while [ ! -s "$WORK/port" ]; do
  kill -0 "$PID" 2> /dev/null || { echo "the server did not start" >&2; exit 1; }
  sleep 0.1
done
PORT=$(head -1 "$WORK/port")
URL="https://127.0.0.1:$PORT/soap/IVantorWS"
cat > "$WORK/call.xml" <<'XML'
<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body><GetVersion xmlns="urn:VantorIntf-IVantorWS"></GetVersion></soap:Body></soap:Envelope>
XML

run_ab() {
  echo "== ab $*"
  ab -q "$@" -p "$WORK/call.xml" -T text/xml "$URL" > "$WORK/ab.txt"
  grep -E '^(SSL/TLS Protocol|Complete requests|Failed requests|Non-2xx responses|Keep-Alive requests|Requests per second)' "$WORK/ab.txt" || true
  grep -E '^ +99%' "$WORK/ab.txt" | sed 's/^ */latency p/'
}
for PROTOCOL in TLS1.2 TLS1.3; do
  run_ab -f "$PROTOCOL" -n 5000 -c 32
  run_ab -f "$PROTOCOL" -k -n 50000 -c 32
done
kill -0 "$PID" && echo "server still running"
exec 3>&-
wait "$PID"
