#!/usr/bin/env python3
"""Sensor blocks shared by dravelfmt copies, on a fake hardware monitor.

Usage: sensors_e2e.py DRAVELFMT

In a private mount namespace a fake /sys/class/hwmon (with the kernel's numbering
scrambled) and an empty /dev/shm are mounted. Then:
- --list-sensors prints the sensors by name, in the default order;
- copy A publishes, copy B reads; A ends by itself and B takes over within two seconds,
  showing a changed reading, while the blocks are never removed in between;
- a copy run by another user at the same time has blocks of its own;
- the last copy to end removes the blocks.
Needs root; exits 77 (skipped) where a namespace cannot be had.
"""
import os
import subprocess
import sys
import tempfile
import time

from namespaced import DravelfmtCopy, run_inside, sh

TEXT = '<NAME=Temp1>|<NAME=Temp2>|<NAME=Fan1>'
OTHER_UID = 65534
CHIPS = {  # hwmon number: (name, files)
    5: ('nvme', {'temp1_input': '38000', 'temp1_label': 'Composite'}),
    0: ('thinkpad', {'fan1_input': '2100'}),
    3: ('k10temp', {'temp1_input': '45000', 'temp1_label': 'Tctl'}),
}


def blocks(uid):
    names = {f'$M$B$M$5$I$.{uid}', f'$M$B$M$5$D$.{uid}'}
    return names & set(os.listdir('/dev/shm'))


def inside(dravelfmt):
    with tempfile.TemporaryDirectory(prefix='dravel-hwmon-') as hwmon:
        return with_fake_hwmon(dravelfmt, hwmon)


def with_fake_hwmon(dravelfmt, hwmon):
    sh('mount', '--make-rprivate', '/')
    sh('mount', '-t', 'tmpfs', '-o', 'mode=1777', 'tmpfs', '/dev/shm')
    os.chmod(hwmon, 0o755)
    for number, (name, files) in CHIPS.items():
        folder = os.path.join(hwmon, f'hwmon{number}')
        os.makedirs(folder)
        os.chmod(folder, 0o755)
        for file, text in {'name': name, **files}.items():
            with open(os.path.join(folder, file), 'w') as out:
                out.write(text + '\n')
    # A /sys/class of its own, since a machine without sensors has no hwmon folder.
    sh('mount', '-t', 'tmpfs', 'tmpfs', '/sys/class')
    os.mkdir('/sys/class/hwmon')
    sh('mount', '--bind', hwmon, '/sys/class/hwmon')
    failures = []

    listed = subprocess.run([dravelfmt, '--list-sensors'], capture_output=True, text=True,
                            env=dict(os.environ, LC_ALL='C.UTF-8'))
    expected = ('k10temp/Tctl\t45.0\t\u00b0C\nnvme/Composite\t38.0\t\u00b0C\n'
                'thinkpad/fan1\t2100\tRPM\n')
    if listed.returncode != 0 or listed.stdout != expected:
        failures.append(f'--list-sensors gave {listed.returncode} {listed.stdout!r}')

    live = ['--plain', '--interval', '300']
    a = DravelfmtCopy([dravelfmt] + live + ['--count', '8', TEXT])
    if not a.shows('45|38|2100', 5):
        return failures + [f'the publishing copy showed {a.texts()}']
    b = DravelfmtCopy([dravelfmt] + live + ['--count', '24', TEXT])
    other = DravelfmtCopy(['setpriv', f'--reuid={OTHER_UID}', f'--regid={OTHER_UID}', '--clear-groups',
                  dravelfmt] + live + ['--count', '6', TEXT], cwd='/')
    if not b.shows('45|38|2100', 5):
        failures.append(f'the reading copy showed {b.texts()}')
    if not other.shows('45|38|2100', 5):
        failures.append(f'the other user\'s copy showed {other.texts()}')

    a.finish(10)
    a_ended = time.monotonic()
    if blocks(os.geteuid()) != {f'$M$B$M$5$I$.{os.geteuid()}', f'$M$B$M$5$D$.{os.geteuid()}'}:
        failures.append(f'the blocks went with the first copy: {os.listdir("/dev/shm")}')
    with open(os.path.join(hwmon, 'hwmon3', 'temp1_input'), 'w') as out:
        out.write('61000\n')
    if not b.shows('61|38|2100', 5):
        failures.append(f'no copy took over: the reading copy showed {b.texts()[-3:]}')
    else:
        took = b.first('61|38|2100') - a_ended
        print(f'the reading copy showed the new figure {took:.2f} s after the publisher ended')
        if took > 2.3:  # two seconds for the take-over and one refresh to show it
            failures.append(f'the take-over took {took:.2f} s')

    other.finish(10)
    b.finish(20)
    if blocks(os.geteuid()) or blocks(OTHER_UID):
        failures.append(f'blocks left after the last copies: {os.listdir("/dev/shm")}')
    return failures


if __name__ == '__main__':
    sys.exit(run_inside(['-m'], inside))
