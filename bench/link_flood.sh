#!/bin/sh
# One connection flooding the link server with "W" while one polite client asks ten times
# a second, for 10 s, over an encrypted link: replies per second to the flooder, bytes each
# way, the server's CPU share, and whether every polite request was answered.
#
# Usage: bench/link_flood.sh [BUILD_DIR]      (BUILD_DIR defaults to build)
# LINK_FLOODERS and LINK_SECONDS change the load.
LINK_CLIENTS=1 LINK_PERIOD_MS=100 LINK_SECONDS=${LINK_SECONDS:-10} \
  LINK_FLOODERS=${LINK_FLOODERS:-1} LINK_PASSWORD="flood test" \
  exec "$(dirname "$0")/link_load.sh" "$@"
