#!/bin/sh
# Bounded load on one link server: 200 clients on loopback, each asking every 100 ms for
# 20 s, with an encrypted link. Reports replies per second and the server's CPU use.
# This one loads the panel-less test server; link_load_panel.py loads a serving `dravel`.
#
# Usage: bench/link_load.sh [BUILD_DIR]      (BUILD_DIR defaults to build)
# LINK_CLIENTS, LINK_PERIOD_MS, LINK_SECONDS, LINK_PASSWORD and LINK_FLOODERS (connections
# asking as fast as the server reads, 0 by default) change the load; LINK_SECURE=1 has the
# clients speak the secure mode (the key derived once at the server's cost) instead.
set -eu
BUILD=${1:-build}
PASSWORD=${LINK_PASSWORD:-load test}
OUT=$(mktemp)
SERVER=
SECURE=
[ "${LINK_SECURE:-0}" = 1 ] && SECURE=--secure
trap '[ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null; rm -f "$OUT"' EXIT

"$BUILD/tests/e2e/link_test_server" --port 0 --password "$PASSWORD" > "$OUT" &
SERVER=$!
for _ in $(seq 50); do grep -q '^PORT ' "$OUT" && break; sleep 0.1; done
PORT=$(sed -n 's/^PORT //p' "$OUT")
[ -n "$PORT" ] || { echo "the test server did not start" >&2; exit 1; }
"$BUILD/bench/link_load_driver" "127.0.0.1:$PORT" --password "$PASSWORD" \
  --clients "${LINK_CLIENTS:-200}" --period-ms "${LINK_PERIOD_MS:-100}" \
  --seconds "${LINK_SECONDS:-20}" --flooders "${LINK_FLOODERS:-0}" --server-pid "$SERVER" $SECURE
