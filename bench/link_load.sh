#!/bin/sh
# Bounded load on one link server: 200 clients on loopback, each asking every 100 ms for
# 20 s, with an encrypted link. Reports replies per second and the server's CPU use.
#
# Usage: bench/link_load.sh [BUILD_DIR] [SERVER_COMMAND...]
#   BUILD_DIR defaults to build. Without a server command the panel-less test server of
#   the link is used; a `dravel` server may be given instead, already configured to serve,
#   e.g. bench/link_load.sh build env HOME=/tmp/x build/src/dravel  (its port must be
#   given with LINK_PORT then, and its password with LINK_PASSWORD).
set -eu
BUILD=${1:-build}
[ $# -gt 0 ] && shift
PASSWORD=${LINK_PASSWORD:-load test}
CLIENTS=${LINK_CLIENTS:-200}
PERIOD=${LINK_PERIOD_MS:-100}
SECONDS_=${LINK_SECONDS:-20}
OUT=$(mktemp)
trap 'kill $SERVER 2>/dev/null || true; rm -f "$OUT"' EXIT

if [ $# -eq 0 ]; then
  "$BUILD/tests/e2e/link_test_server" --port 0 --password "$PASSWORD" > "$OUT" &
  SERVER=$!
  for _ in $(seq 50); do grep -q '^PORT ' "$OUT" && break; sleep 0.1; done
  PORT=$(sed -n 's/^PORT //p' "$OUT")
else
  "$@" &
  SERVER=$!
  PORT=${LINK_PORT:?set LINK_PORT to the port the server listens on}
  sleep 3
fi
[ -n "$PORT" ] || { echo "the server did not start" >&2; exit 1; }
"$BUILD/bench/link_load_driver" "127.0.0.1:$PORT" --password "$PASSWORD" \
  --clients "$CLIENTS" --period-ms "$PERIOD" --seconds "$SECONDS_" --server-pid "$SERVER"
