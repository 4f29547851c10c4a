#!/bin/sh
# Soak run of a serving panel: both servers under every kind of load at once for
# SOAK_SECONDS (default 600) on loopback, then a summary block (calls/s, p99 latency,
# failures, meant-to-fail refusals, the panel's descriptors and memory, its labels).
# Not part of the tests. SOAK_NOFILE (the panel's open-files limits, default 1024:4096),
# SOAK_FLOOD (idle connections per flood), SOAK_FLOOD_EVERY and SOAK_CONCURRENCY change it.
#
# Usage: bench/soak.sh [build folder]   (default: build; needs src/dravel and tools/dravelfmt)
set -eu
BUILD=${1:-build}
for tool in ab Xvfb xdotool import prlimit setsid; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (see debian-packages.txt)" >&2; exit 1; }
done
# The driver runs in a process group of its own; stopped, it ends all it started in it
# (panels, display, loads) and removes its folder.
DRIVER=
stop() { [ -n "$DRIVER" ] && kill -TERM "$DRIVER" 2>/dev/null; wait 2>/dev/null || true; }
trap 'stop; exit 130' INT TERM
trap stop EXIT
setsid python3 "$(dirname "$0")/soak.py" "$BUILD" &  # a process group of its own
DRIVER=$!
set +e
wait "$DRIVER"
STATUS=$?
DRIVER=
exit "$STATUS"
