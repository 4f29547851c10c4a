#!/bin/sh
# Runs the panel (default eight-line text, 1 s refresh) beside conky showing the same
# eight figures, both on one private Xvfb display, for DURATION seconds (60 by default),
# and prints each program's CPU time and resident memory side by side.
#
#   bench/conky_compare.sh [path/to/dravel]
#
# Needs Xvfb and conky; installs nothing.
set -eu

DRAVEL=${1:-build/src/dravel}
DURATION=${DURATION:-60}

if ! command -v conky >/dev/null 2>&1; then
  echo "conky is not installed; install it with: sudo apt-get install conky-std" >&2
  exit 2
fi
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "Xvfb is not installed; install it with: sudo apt-get install xvfb" >&2
  exit 2
fi
if [ ! -x "$DRAVEL" ]; then
  echo "no panel at $DRAVEL; build it first (make build)" >&2
  exit 2
fi

WORK=$(mktemp -d)
XVFB_PID= DRAVEL_PID= CONKY_PID=
cleanup() {
  for pid in $CONKY_PID $DRAVEL_PID $XVFB_PID; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# A display number of Xvfb's own choosing, so runs never clash.
mkfifo "$WORK/displayfd"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$WORK/displayfd" \
  >/dev/null 2>&1 &
XVFB_PID=$!
read -r DISPLAY_NUMBER <"$WORK/displayfd"
export DISPLAY=":$DISPLAY_NUMBER"

# The interface carrying the default route, for the address line.
IFACE=$(awk '$2 == "00000000" { print $1; exit }' /proc/net/route 2>/dev/null || true)
IFACE=${IFACE:-lo}

cat >"$WORK/conky.conf" <<EOF
conky.config = {
  out_to_x = true, own_window = true, own_window_type = 'normal',
  alignment = 'top_left', gap_x = 100, gap_y = 25,
  update_interval = 1, double_buffer = true, use_xft = true,
  font = 'DejaVu Sans:size=8', background = false, total_run_times = 0,
}
conky.text = [[
Proc %: \${cpu cpu0}
Processes: \${processes}  Threads: \${threads}
\${uptime}
PageUsed: \${swap}/PageTotal: \${swapmax}
RAMUsed: \${mem}/RAMTotal: \${memmax}
Date \${time %d/%m/%y} Time \${time %H:%M}
\${addrs $IFACE}
\${nodename}
]]
EOF

mkdir -p "$WORK/config" "$WORK/run"
chmod 700 "$WORK/run"
HOME=$WORK XDG_CONFIG_HOME=$WORK/config XDG_RUNTIME_DIR=$WORK/run "$DRAVEL" >/dev/null 2>&1 &
DRAVEL_PID=$!
HOME=$WORK conky -c "$WORK/conky.conf" >/dev/null 2>&1 &
CONKY_PID=$!

# CPU seconds so far, to the nanosecond (stat counts in 10 ms ticks, too coarse here):
# the first field of each live thread's schedstat, summed over the process's threads.
cpu() {
  cat /proc/"$1"/task/*/schedstat 2>/dev/null |
    awk '{ ns += $1 } END { printf "%.3f", ns / 1e9 }'
}

# Start-up costs are counted apart from the steady refresh: the running share is taken
# between WARMUP seconds and the end.
WARMUP=5
sleep "$WARMUP"
DRAVEL_START=$(cpu "$DRAVEL_PID")
CONKY_START=$(cpu "$CONKY_PID")
sleep $((DURATION - WARMUP))

report() { # name pid cpu-at-warmup
  if [ ! -r "/proc/$2/stat" ]; then
    printf '%-8s ended early\n' "$1"
    return
  fi
  TOTAL=$(cpu "$2")
  RSS=$(awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$2/status")
  SHARE=$(awk -v a="$3" -v b="$TOTAL" -v d="$((DURATION - WARMUP))" \
    'BEGIN { printf "%.3f", 100 * (b - a) / d }')
  printf '%-8s %10s s %14s %% %10s MB\n' "$1" "$TOTAL" "$SHARE" "$RSS"
}
printf '%-8s %12s %16s %13s\n' program "CPU time" "steady share" "resident"
report dravel "$DRAVEL_PID" "$DRAVEL_START"
report conky "$CONKY_PID" "$CONKY_START"
echo "(${DURATION} s in all, steady share of one core after ${WARMUP} s; 1 s refresh;"
echo " the same eight figures; one Xvfb display)"
