#!/usr/bin/env python3
"""dravelfmt as a status-bar backend beside Debian's i3status, both writing the i3bar
protocol at the same interval, side by side for the same stretch of time (so both see
the same machine load). Each program's standard output is read and thrown away as
i3bar would read it.

Both show processor usage, memory, one disk's free and total space, the network and
the date and time. i3status has no network-rate module: its figure is the address and
link of the interface ("ethernet"), dravelfmt's the receive and send rates.

Reports each program's CPU time (time on a processor from /proc/PID/task/*/schedstat,
with user + system ticks from /proc/PID/stat beside it), its share of one core, the refreshes it wrote, and its resident memory sampled every --sample
seconds (first, last, maximum), with the load average before and after.

Usage: statusbar_compare.py [--duration S] [--interval MS] [--sample S] DRAVELFMT

A run of an hour (--duration 3600) shows whether the resident memory stays flat.
Needs i3status (Debian package i3status); installs nothing.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

TICKS = os.sysconf("SC_CLK_TCK")
PAGE_KB = os.sysconf("SC_PAGE_SIZE") // 1024

DRAVELFMT_TEXT = "\n".join([
    "CPU <NAME=ProcUsage SIZE=3>%",
    "RAM <NAME=RAMUsed> MB / <NAME=RAMTotal> MB",
    "/ <NAME=DriveSpace FORMAT=\"C FREE\"> MB free of <NAME=DriveSpace FORMAT=\"C TOTAL\"> MB",
    "Net <NAME=NetRead DECIMAL FORMAT=\"ALL\"> KB/s in <NAME=NetWrite DECIMAL FORMAT=\"ALL\"> KB/s out",
    "<NAME=DateTime FORMAT=\"yyyy-mm-dd hh:nn:ss\">",
])


def i3status_config(interval_s):
    return """general {
  output_format = "i3bar"
  colors = false
  interval = %d
}
order += "cpu_usage"
order += "memory"
order += "disk /"
order += "ethernet _first_"
order += "tztime local"
cpu_usage { format = "CPU %%usage" }
memory { format = "RAM %%used / %%total" }
disk "/" { format = "/ %%avail free of %%total" }
ethernet _first_ { format_up = "E: %%ip (%%speed)" format_down = "E: down" }
tztime local { format = "%%Y-%%m-%%d %%H:%%M:%%S" }
""" % interval_s


class Watched:
    """One program under measurement, its output read and counted on a thread."""

    def __init__(self, name, args, env=None):
        self.name = name
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     env=env)
        self.lines = 0
        self.rss = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for _ in self.proc.stdout:
            self.lines += 1

    def cpu_seconds(self):
        """Time on a processor in nanoseconds' precision (schedstat, all threads), and
        user + system time in clock ticks (stat) as a cross-check."""
        task_dir = "/proc/%d/task" % self.proc.pid
        exact = 0
        for task in os.listdir(task_dir):
            with open(os.path.join(task_dir, task, "schedstat")) as schedstat:
                exact += int(schedstat.read().split()[0])
        with open("/proc/%d/stat" % self.proc.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return exact / 1e9, (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime

    def sample_rss(self):
        with open("/proc/%d/statm" % self.proc.pid) as statm:
            self.rss.append(int(statm.read().split()[1]) * PAGE_KB)

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dravelfmt")
    parser.add_argument("--duration", type=float, default=60)
    parser.add_argument("--interval", type=int, default=1000, help="milliseconds")
    parser.add_argument("--sample", type=float, default=10, help="seconds between RSS samples")
    args = parser.parse_args()
    if shutil.which("i3status") is None:
        sys.exit("i3status is not installed; install it with: apt-get install i3status")
    if args.interval % 1000:
        sys.exit("i3status counts its interval in whole seconds: give a multiple of 1000")

    work = tempfile.mkdtemp(prefix="statusbar-compare-")
    try:
        config = os.path.join(work, "i3status.conf")
        with open(config, "w") as out:
            out.write(i3status_config(args.interval // 1000))
        env = dict(os.environ, LC_ALL="C.UTF-8", HOME=work, XDG_CONFIG_HOME=work)
        load_before = os.getloadavg()
        programs = [
            Watched("i3status", ["i3status", "-c", config], env),
            Watched("dravelfmt", [args.dravelfmt, "--i3bar", "--interval", str(args.interval),
                                  DRAVELFMT_TEXT], env),
        ]
        time.sleep(min(2.0, args.duration))  # both past their start-up
        start = [p.cpu_seconds() for p in programs]
        lines = [p.lines for p in programs]
        began = time.monotonic()
        next_sample = began
        while True:
            now = time.monotonic()
            if now >= next_sample:
                for p in programs:
                    p.sample_rss()
                if args.duration >= 600:
                    print("%6.0f s  RSS  %s" % (now - began, "  ".join(
                        "%s %d KB" % (p.name, p.rss[-1]) for p in programs)), flush=True)
                next_sample += args.sample
            if now - began >= args.duration:
                break
            time.sleep(min(1.0, began + args.duration - now))
        elapsed = time.monotonic() - began
        for p in programs:
            p.sample_rss()
        used = [tuple(b - a for a, b in zip(s, p.cpu_seconds())) for p, s in zip(programs, start)]
        written = [p.lines - n for p, n in zip(programs, lines)]
        load_after = os.getloadavg()
        for p in programs:
            p.stop()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print("side by side for %.0f s at a %d ms interval; load average %.2f before, %.2f after"
          % (elapsed, args.interval, load_before[0], load_after[0]))
    print("%-10s %10s %10s %8s %10s %12s %12s %12s" % (
        "program", "CPU ms", "CPU %", "ticks", "refreshes", "RSS first", "RSS last", "RSS max"))
    for p, (exact, ticks), n in zip(programs, used, written):
        print("%-10s %10.1f %10.4f %7.2fs %10d %9d KB %9d KB %9d KB" % (
            p.name, exact * 1000, 100.0 * exact / elapsed, ticks, n, p.rss[0], p.rss[-1],
            max(p.rss)))


if __name__ == "__main__":
    main()
