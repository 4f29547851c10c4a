#!/bin/sh
# One connection flooding the link server with "W" while one polite client asks ten times
# a second, for 10 s, over an encrypted link: replies per second to the flooder, bytes each
# way, the server's CPU share, and whether every polite request was answered.
#
# Usage: bench/link_flood.sh [BUILD_DIR]      (BUILD_DIR defaults to build)
# LINK_FLOODERS and LINK_SECONDS change the load.
set -eu
BUILD=${1:-build}
OUT=$(mktemp)
SERVER=
trap '[ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null; rm -f "$OUT"' EXIT

"$BUILD/tests/e2e/link_test_server" --port 0 --password "flood test" > "$OUT" &
SERVER=$!
for _ in $(seq 50); do grep -q '^PORT ' "$OUT" && break; sleep 0.1; done
PORT=$(sed -n 's/^PORT //p' "$OUT")
[ -n "$PORT" ] || { echo "the test server did not start" >&2; exit 1; }
"$BUILD/bench/link_load_driver" "127.0.0.1:$PORT" --password "flood test" \
  --clients 1 --period-ms 100 --seconds "${LINK_SECONDS:-10}" \
  --flooders "${LINK_FLOODERS:-1}" --server-pid "$SERVER"
