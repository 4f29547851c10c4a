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
import socket
import sys
import time

from namespaced import DravelfmtCopy, run_inside, sh

INTERVAL_S = 0.5
FRAME_PAYLOAD = 1000
FRAMES = 300
TEXT = ('<NAME=NetWrite FORMAT="1" DECIMAL>|<NAME=NetRead FORMAT="2" DECIMAL>|'
        '<NAME=NetWrite DECIMAL>|<NAME=NetRead DECIMAL>|<NAME=NetSumWrite FORMAT="1" DECIMAL>')
DEFAULT_TEXT = '<NAME=NetRead DECIMAL>|<NAME=NetWrite DECIMAL>|<NAME=NetSumRead DECIMAL>'


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
    chosen = DravelfmtCopy([dravelfmt, '--adapters', 'veth0,veth1'] + common + [TEXT], 'C')
    default = DravelfmtCopy([dravelfmt] + common + [DEFAULT_TEXT], 'C')
    failures = []
    try:
        if not chosen.wait_until(chosen.texts, 10) or not default.wait_until(default.texts, 10):
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
    for number, line in enumerate(chosen.texts()):
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
    for line in default.texts():
        if line != '0.00|0.00|0.00':
            failures.append(f'the default adapters counted a veth end: {line}')
    print('sent', sent, 'bytes; refreshes:', chosen.texts())
    return failures


if __name__ == '__main__':
    sys.exit(run_inside(['-n', '-m'], inside))
