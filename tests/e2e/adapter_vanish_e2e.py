#!/usr/bin/env python3
"""An adapter deleted while dravelfmt samples never shows an absurd rate.

Usage: adapter_vanish_e2e.py DRAVELFMT

In a private network namespace (with a sysfs of its own) a veth pair is made, raw frames
are sent from veth0 to veth1, and veth0 is deleted (taking veth1 with it) while two
dravelfmt copies sample every 500 ms: one with --adapters veth0,veth1, one with the
default adapters, which leave veth ends out. No refresh may show more bytes in one
interval than was ever sent over the pair. Needs root; exits 77 (skipped) where a namespace
cannot be had.
"""
import os
import socket
import subprocess
import sys
import threading
import time

SKIPPED = 77
INTERVAL_S = 0.5
FRAME_PAYLOAD = 1000
FRAMES = 300
TEXT = ('<NAME=NetWrite FORMAT="1" DECIMAL>|<NAME=NetRead FORMAT="2" DECIMAL>|'
        '<NAME=NetWrite DECIMAL>|<NAME=NetRead DECIMAL>|<NAME=NetSumWrite FORMAT="1" DECIMAL>')
DEFAULT_TEXT = '<NAME=NetRead DECIMAL>|<NAME=NetWrite DECIMAL>|<NAME=NetSumRead DECIMAL>'


class Copy:
    """A dravelfmt process whose output lines are collected as they come."""

    def __init__(self, argv):
        self.lines = []
        self.process = subprocess.Popen(argv, stdout=subprocess.PIPE, text=True,
                                        env=dict(os.environ, LC_ALL='C'))
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.strip())

    def wait_for_lines(self, count, limit_s=10):
        end = time.monotonic() + limit_s
        while len(self.lines) < count and time.monotonic() < end:
            time.sleep(0.05)
        return len(self.lines) >= count

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.reader.join(timeout=5)


def sh(*argv):
    subprocess.run(argv, check=True)


def tx_bytes(name):
    with open(f'/sys/class/net/{name}/statistics/tx_bytes') as counter:
        return int(counter.read())


def send_frames():
    frame = b'\xff' * 6 + b'\x02\x00\x00\x00\x00\x01' + b'\x88\xb5' + b'x' * FRAME_PAYLOAD
    with socket.socket(socket.AF_PACKET, socket.SOCK_RAW) as raw:
        raw.bind(('veth0', 0))
        for _ in range(FRAMES):
            raw.send(frame)
            time.sleep(1.5 / FRAMES)


def inside(dravelfmt):
    sh('mount', '--make-rprivate', '/')
    sh('mount', '-t', 'sysfs', 'sysfs', '/sys')  # this namespace's interfaces
    sh('ip', 'link', 'add', 'veth0', 'type', 'veth', 'peer', 'name', 'veth1')
    sh('ip', 'link', 'set', 'veth0', 'up')
    sh('ip', 'link', 'set', 'veth1', 'up')
    common = ['--plain', '--interval', str(int(INTERVAL_S * 1000)), '--count', '0']
    chosen = Copy([dravelfmt, '--adapters', 'veth0,veth1'] + common + [TEXT])
    default = Copy([dravelfmt] + common + [DEFAULT_TEXT])
    failures = []
    try:
        if not chosen.wait_for_lines(1) or not default.wait_for_lines(1):
            return ['dravelfmt showed nothing']
        send_frames()
        time.sleep(2 * INTERVAL_S)
        sent = tx_bytes('veth0') + tx_bytes('veth1')
        before_deletion = len(chosen.lines)
        sh('ip', 'link', 'del', 'veth0')
        time.sleep(4 * INTERVAL_S)
    finally:
        chosen.stop()
        default.stop()

    limit_kb_per_s = sent / 1024 / INTERVAL_S
    moved = False
    for number, line in enumerate(chosen.lines):
        write1, read2, write_all, read_all, sum_write1 = (float(v) for v in line.split('|'))
        for name, rate in (('veth0 sent', write1), ('veth1 received', read2),
                           ('total sent', write_all), ('total received', read_all)):
            if rate > limit_kb_per_s * 1.01:
                failures.append(f'refresh {number + 1}: {name} {rate} KB/s, but only '
                                f'{sent} bytes were ever sent ({limit_kb_per_s:.2f} KB/s at most)')
        moved = moved or write1 > 0
        if number >= before_deletion + 1 and (write1, read2, sum_write1) != (0, 0, 0):
            failures.append(f'refresh {number + 1} after the deletion still shows {line}')
    if not moved:
        failures.append('no refresh showed the traffic sent')
    if len(chosen.lines) < before_deletion + 2:
        failures.append('too few refreshes after the deletion')
    for line in default.lines:
        if line != '0.00|0.00|0.00':
            failures.append(f'the default adapters counted a veth end: {line}')
    print('sent', sent, 'bytes; refreshes:', chosen.lines)
    return failures


def main():
    dravelfmt = sys.argv[-1]
    if len(sys.argv) == 3 and sys.argv[1] == '--inside':
        failures = inside(dravelfmt)
        for failure in failures:
            print(failure)
        return 1 if failures else 0
    if os.geteuid() != 0:
        print('skipped: a private network namespace needs root')
        return SKIPPED
    if subprocess.run(['unshare', '-n', '-m', 'true'], capture_output=True).returncode != 0:
        print('skipped: unshare -n -m is not permitted here')
        return SKIPPED
    return subprocess.run(['unshare', '-n', '-m', sys.executable, __file__, '--inside',
                           dravelfmt], timeout=120).returncode


if __name__ == '__main__':
    sys.exit(main())
