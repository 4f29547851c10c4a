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
HERE=$(dirname "$0")
WORK=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$WORK"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -keyout "$WORK/key.pem" -out "$WORK/cert.pem" > /dev/null 2>&1
. "$HERE/service_server.sh"
start_service_server -- --refresh-ms 250 --tls "$WORK/cert.pem" "$WORK/key.pem"
URL="https://127.0.0.1:$PORT/soap/IVantorWS"
write_call "$WORK/call.xml" GetVersion

for PROTOCOL in TLS1.2 TLS1.3; do
  run_ab "$URL" -f "$PROTOCOL" -n 5000 -c 32
  run_ab "$URL" -f "$PROTOCOL" -k -n 50000 -c 32
done
kill -0 "$PID" && echo "server still running"
stop_service_server
