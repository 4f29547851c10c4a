#!/usr/bin/env bash
# The headless server's processor time and resident memory over 60 s at a 1 s interval
# while /metrics is scraped every second, on loopback without a display.
# Usage: bench/serve_load.sh build/src/dravel
set -euo pipefail
dravel=$1
home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$home"' EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_RUNTIME_DIR="$home" \
  "$dravel" --serve --link-port 0 --web-port "$port" --interval 1000 --settings "$home/s.db" 2>/dev/null &
pid=$!
sleep 2
ticks=$(getconf CLK_TCK)
start=$(awk '{print $14 + $15}' "/proc/$pid/stat")
for _ in $(seq 60); do
  curl -s -H 'Accept-Encoding: gzip' "http://127.0.0.1:$port/metrics" > /dev/null
  sleep 1
done
end=$(awk '{print $14 + $15}' "/proc/$pid/stat")
awk -v t=$((end - start)) -v hz="$ticks" 'BEGIN { printf "cpu: %.2f s over 60 s (%.2f %%)\n", t / hz, 100 * t / hz / 60 }'
grep -E 'VmRSS|VmHWM' "/proc/$pid/status"
