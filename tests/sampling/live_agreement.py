#!/usr/bin/env python3
"""dravelfmt's figures of this machine against what /proc says over the same second.

Usage: live_agreement.py DRAVELFMT
Processor usage within 5 points of /proc/stat over the interval, RAM total equal to
MemTotal in MB, uptime within 2 seconds of /proc/uptime, the process count within 5 %
of the processes in /proc.
"""
import os
import subprocess
import sys

TEXT = ('<NAME=ProcUsage DECIMAL>|<NAME=RAMTotal>|'
        '<NAME=Uptime FORMAT="*d*:*h*:*m*:*s*">|<NAME=Processes>')


def cpu_times():
    with open('/proc/stat') as stat:
        fields = [int(v) for v in stat.readline().split()[1:]]
    idle = fields[3] + (fields[4] if len(fields) > 4 else 0)
    # guest times are already inside user and nice
    return idle, sum(fields[:8])


def process_count():
    return sum(1 for name in os.listdir('/proc') if name.isdigit())


def main():
    program = sys.argv[1]
    env = dict(os.environ, LC_ALL='C', LANG='C')
    idle0, total0 = cpu_times()
    run = subprocess.run([program, '--plain', '--interval', '1000', '--count', '1', TEXT],
                         capture_output=True, text=True, timeout=30, env=env)
    idle1, total1 = cpu_times()
    with open('/proc/uptime') as uptime_file:
        uptime = float(uptime_file.read().split()[0])
    with open('/proc/meminfo') as meminfo:
        mem_total_kb = int(next(l for l in meminfo if l.startswith('MemTotal:')).split()[1])
    processes = process_count()

    if run.returncode != 0:
        print('dravelfmt failed:', run.returncode, run.stderr)
        return 1
    lines = run.stdout.splitlines()
    if len(lines) != 1:
        print('expected one line, got:', repr(run.stdout))
        return 1
    usage, ram, up, procs = lines[0].split('|')
    days, hours, minutes, seconds = (int(v) for v in up.split(':'))
    shown_uptime = ((days * 24 + hours) * 60 + minutes) * 60 + seconds
    proc_usage = 100.0 * (1 - (idle1 - idle0) / max(total1 - total0, 1))

    failures = []
    if abs(float(usage) - proc_usage) > 5:
        failures.append(f'processor usage {usage} against {proc_usage:.2f} from /proc/stat')
    if int(ram) != round(mem_total_kb / 1024):
        failures.append(f'RAM total {ram} MB against MemTotal {mem_total_kb} kB')
    if abs(shown_uptime - uptime) > 2:
        failures.append(f'uptime {shown_uptime} s against {uptime} s')
    if abs(int(procs) - processes) > 0.05 * processes:
        failures.append(f'{procs} processes against {processes} in /proc')
    for failure in failures:
        print(failure)
    print('shown:', lines[0])
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
