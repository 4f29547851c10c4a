#!/bin/sh
# GetVersion calls per second with credentials over kept connections (ab -k -A) against
# the service test server: without passwords, then asking for them (a users file made by
# htpasswd -B) with the success cache, and checking bcrypt on every call.
#
# Usage: bench/auth_load.sh [build folder]   (default: build)
set -eu
BUILD=${1:-build}
REQUESTS=${REQUESTS:-5000}
CONCURRENCY=${CONCURRENCY:-8}

HERE=$(dirname "$0")
WORK=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$WORK"' EXIT
. "$HERE/service_server.sh"
htpasswd -cbB "$WORK/users" bench benchpass 2> /dev/null
write_call "$WORK/call.xml" GetVersion

for CACHE in none 1024 0; do
  if [ "$CACHE" = none ]; then
    start_service_server
  else
    start_service_server -- --users "$WORK/users" --auth-cache "$CACHE"
  fi
  ab -q -k -n "$REQUESTS" -c "$CONCURRENCY" -A bench:benchpass -p "$WORK/call.xml" -T text/xml \
    "http://127.0.0.1:$PORT/soap/IVantorWS" > "$WORK/ab.txt"
  stop_service_server
  [ "$CACHE" = none ] && echo "no passwords:" || echo "success cache $CACHE:"
  grep -E '^(Complete|Failed|Non-2xx|Keep-Alive) requests|^Non-2xx|^Requests per second' "$WORK/ab.txt" |
    sed 's/^/  /'
done
