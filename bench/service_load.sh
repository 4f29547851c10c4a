#!/bin/sh
# Load test of the web service: 50,000 GetProcUsage calls at concurrency 32 with ab
# (apache2-utils) against the service test server, which renders the panel's default
# text every 250 ms under the guard meanwhile, as the panel's refresh does.
# Prints calls per second, the 99th percentile latency and the server's CPU use.
#
# Usage: bench/service_load.sh [build folder]   (default: build)
set -eu
BUILD=${1:-build}
REQUESTS=${REQUESTS:-50000}
CONCURRENCY=${CONCURRENCY:-32}

WORK=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$WORK"' EXIT
. "$(dirname "$0")/service_server.sh"
start_service_server -- --refresh-ms 250
write_call "$WORK/call.xml" GetProcUsage "<Selection>0</Selection>"

ticks() { awk '{ print $14 + $15 }' "/proc/$PID/stat"; }
HZ=$(getconf CLK_TCK)
BEFORE=$(ticks)
START=$(date +%s.%N)
ab -q -l -n "$REQUESTS" -c "$CONCURRENCY" -p "$WORK/call.xml" -T text/xml \
  "http://127.0.0.1:$PORT/soap/IVantorWS" > "$WORK/ab.txt"
END=$(date +%s.%N)
AFTER=$(ticks)
stop_service_server

grep -E '^(Complete requests|Failed requests|   \(|Non-2xx responses|Requests per second|Time per request)' "$WORK/ab.txt" || true
grep -E '^ +(50|99|100)%' "$WORK/ab.txt" | sed 's/^ */latency p/'
awk -v b="$BEFORE" -v a="$AFTER" -v hz="$HZ" -v s="$START" -v e="$END" 'BEGIN {
  cpu = (a - b) / hz; wall = e - s;
  printf "server CPU: %.2f s over %.2f s wall (%.0f%% of one core)\n", cpu, wall, 100 * cpu / wall }'
