#!/bin/sh
# GetVersion calls per second with credentials over kept connections (ab -k -A) against
# the service test server: without passwords, then asking for them (a users file made by
# htpasswd -B) with the success cache, and checking bcrypt on every call.
#
# Usage: bench/auth_load.sh [build folder]   (default: build)
set -eu
BUILD=${1:-build}
SERVER="$BUILD/tests/service/dravel_service_test_server"
REQUESTS=${REQUESTS:-5000}
CONCURRENCY=${CONCURRENCY:-8}
[ -x "$SERVER" ] || { echo "build $SERVER first" >&2; exit 1; }
command -v ab > /dev/null || { echo "ab (apache2-utils) is missing" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
htpasswd -cbB "$WORK/users" bench benchpass 2> /dev/null
cat > "$WORK/call.xml" <<'XML'
<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body><GetVersion xmlns="urn:VantorIntf-IVantorWS"/></soap:Body></soap:Envelope>
XML

for CACHE in none 1024 0; do
  mkfifo "$WORK/in"
  if [ "$CACHE" = none ]; then
    "$SERVER" < "$WORK/in" > "$WORK/port" &
  else
    "$SERVER" --users "$WORK/users" --auth-cache "$CACHE" < "$WORK/in" > "$WORK/port" &
  fi
  PID=$!
  exec 3> "$WORK/in"
  while [ ! -s "$WORK/port" ]; do sleep 0.1; done
  PORT=$(head -1 "$WORK/port")
  ab -q -k -n "$REQUESTS" -c "$CONCURRENCY" -A bench:benchpass -p "$WORK/call.xml" -T text/xml \
    "http://127.0.0.1:$PORT/soap/IVantorWS" > "$WORK/ab.txt"
  exec 3>&-
  wait "$PID"
  rm -f "$WORK/in" "$WORK/port"
  [ "$CACHE" = none ] && echo "no passwords:" || echo "success cache $CACHE:"
  grep -E '^(Complete|Failed|Non-2xx|Keep-Alive) requests|^Non-2xx|^Requests per second' "$WORK/ab.txt" |
    sed 's/^/  /'
done
