#!/usr/bin/python3
"""dravelfmt as a status-bar backend, end to end: every output mode (plain, --i3bar,
--waybar, --json) for three refreshes against a record file, against this machine and
against a link server, each line parsed as its reader parses it: the i3bar stream
incrementally (header, "[", then arrays separated by commas), JSON with Python's json
module, Pango markup with Pango's own parser. Then the stream's end: a reader that closes
the pipe ends dravelfmt with status 0, SIGTERM by that signal after a whole refresh, and a
streaming client shows the last lines while its server is away and reconnects when it
is back.

Usage: statusbar_e2e.py <dravelfmt> <link_test_server>
"""
import datetime
import json
import os
import random
import re
import select
import signal
import struct
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Pango", "1.0")
from gi.repository import Pango  # noqa: E402

from link_server import LinkTestServer  # noqa: E402

DEADLINE = 20.0
MODES = ["plain", "i3bar", "waybar", "json"]
COLOUR = re.compile(r"#[0-9A-F]{6}\Z")

TEXT = "\n".join([
    "<B>CPU</B> <NAME=ProcUsage>%",
    "<C:Red>Threads <NAME=Threads></C> <C:$00FF00>procs</C> <NAME=Processes>",
    "<C:Navy><I>host</I> <NAME=CompName></C>",
    "",
    "<B></B><S:2></S>",
    "1 <<> 2 & \"3\" \\ 4",
])
PERCENTAGE = "<NAME=ProcUsage>"

# Names in the record that JSON and Pango cannot carry raw: quotes, backslashes, control
# characters, markup characters, CP1252 bytes (0x81 is undefined there, 0xFF is "ÿ").
AWKWARD_HOST = b'a"b\\c\x01&>\x81\xff'
AWKWARD_USER = b'\x00\t\n\r\x1f"\\'


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def record(host=b"BUILDHOST", user=b"builder", threads=321, processes=42, usage=42.0):
    data = bytearray(312)
    data[0:1] = b"W"
    struct.pack_into("<f", data, 100, usage)
    struct.pack_into("<hh", data, 224, threads, processes)
    struct.pack_into("<d", data, 232, 46000.5)
    for offset, name in ((256, host), (272, user)):
        data[offset] = len(name)
        data[offset + 1:offset + 1 + len(name)] = name
    return bytes(data)


def pango(markup, where):
    try:
        return Pango.parse_markup(markup, -1, "\0")[2]
    except Exception as error:  # GLib.Error
        fail("%s: Pango cannot read %r: %s" % (where, markup, error))


class I3barReader:
    """Reads the i3bar protocol as i3bar does: the header line, then "[", then one array
    per refresh, each parsed as soon as it is complete."""

    def __init__(self):
        self.buffer = ""
        self.header = None
        self.opened = False
        self.decoder = json.JSONDecoder()

    def feed(self, text):
        self.buffer += text
        arrays = []
        if self.header is None:
            if "\n" not in self.buffer:
                return arrays
            line, self.buffer = self.buffer.split("\n", 1)
            self.header = json.loads(line)
        while True:
            self.buffer = self.buffer.lstrip()
            if not self.opened:
                if not self.buffer:
                    return arrays
                if self.buffer[0] != "[":
                    fail("the i3bar body does not open with '[': %r" % self.buffer[:40])
                self.buffer = self.buffer[1:]
                self.opened = True
                continue
            if self.buffer.startswith(","):
                self.buffer = self.buffer[1:]
                continue
            if not self.buffer:
                return arrays
            try:
                value, end = self.decoder.raw_decode(self.buffer)
            except json.JSONDecodeError:
                if "\n" in self.buffer:  # a whole line that is no JSON
                    fail("the i3bar stream holds no JSON: %r" % self.buffer[:80])
                return arrays  # the rest of the array is still on its way
            if not isinstance(value, list):
                fail("an i3bar refresh is no array: %r" % value)
            arrays.append(value)
            self.buffer = self.buffer[end:]


def check_i3bar_blocks(blocks, lines, where):
    if len(blocks) != lines:
        fail("%s: %d blocks for %d lines" % (where, len(blocks), lines))
    texts = []
    for number, block in enumerate(blocks, 1):
        if block.get("name") != "line%d" % number or not isinstance(block.get("full_text"), str):
            fail("%s: block %d is %r" % (where, number, block))
        if "color" in block and not COLOUR.match(block["color"]):
            fail("%s: colour %r" % (where, block["color"]))
        if block.get("markup", "none") not in ("none", "pango"):
            fail("%s: markup %r" % (where, block["markup"]))
        text = block["full_text"]
        texts.append(pango(text, where) if block.get("markup") == "pango" else text)
    return texts


def check_waybar(line, lines, where):
    obj = json.loads(line)
    if list(obj)[0] != "text":
        fail("%s: \"text\" is not first: %r" % (where, line))
    text = pango(obj["text"], where)
    tooltip = pango(obj["tooltip"], where).split("\n")
    if lines is None:  # figures with line breaks of their own
        return obj, tooltip
    if len(tooltip) != lines or tooltip[0] != text:
        fail("%s: tooltip %r for text %r" % (where, tooltip, text))
    if "percentage" in obj and not isinstance(obj["percentage"], int):
        fail("%s: percentage %r" % (where, obj["percentage"]))
    return obj, tooltip


def check_json(line, lines, where):
    obj = json.loads(line)
    if not isinstance(obj["lines"], list) or len(obj["lines"]) != lines:
        fail("%s: lines %r" % (where, obj.get("lines")))
    moment = datetime.datetime.fromisoformat(obj["time"])
    if moment.tzinfo is None or abs(time.time() - moment.timestamp()) > 120:
        fail("%s: time %r" % (where, obj["time"]))
    return obj["lines"]


def read_all(proc, where):
    try:
        out, err = proc.communicate(timeout=DEADLINE)
    except subprocess.TimeoutExpired:
        proc.kill()
        fail("%s: dravelfmt did not end" % where)
    if proc.returncode != 0 or err:
        fail("%s: status %d, %r" % (where, proc.returncode, err))
    return out


def dravelfmt(program, mode, source, text=TEXT, count=3, extra=()):
    args = [program, "--count", str(count), "--interval", "200"] + list(source) + list(extra)
    if mode != "plain":
        args.append("--" + mode)
    if mode == "waybar":
        args += ["--class", "dravel", "--percentage", PERCENTAGE]
    return subprocess.Popen(args + [text], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, encoding="utf-8", env=dict(os.environ, LC_ALL="C.UTF-8"))


def run_modes(program, source, where, check_texts):
    """Every mode for three refreshes; check_texts gets the visible lines of each."""
    lines = TEXT.count("\n") + 1
    for mode in MODES:
        here = "%s, %s" % (where, mode)
        out = read_all(dravelfmt(program, mode, source), here)
        refreshes = []
        if mode == "plain":
            rows = out.split("\n")
            if rows[-1] != "" or len(rows) - 1 != 3 * lines:
                fail("%s: %r" % (here, out))
            refreshes = [rows[i * lines:(i + 1) * lines] for i in range(3)]
        elif mode == "i3bar":
            reader = I3barReader()
            arrays = reader.feed(out)
            if reader.header != {"version": 1, "click_events": False}:
                fail("%s: header %r" % (here, reader.header))
            refreshes = [check_i3bar_blocks(blocks, lines, here) for blocks in arrays]
        else:
            for line in out.split("\n")[:-1]:
                if mode == "waybar":
                    obj, tooltip = check_waybar(line, lines, here)
                    if obj["class"] != "dravel" or "percentage" not in obj:
                        fail("%s: %r" % (here, line))
                    refreshes.append(tooltip)
                else:
                    refreshes.append(check_json(line, lines, here))
        if len(refreshes) != 3:
            fail("%s: %d refreshes" % (here, len(refreshes)))
        for texts in refreshes:
            check_texts(mode, texts, here)


def check_record_texts(mode, texts, where):
    expected = ["CPU 42%", "Threads 321 procs 42", "host BUILDHOST", "", "",
                "1 < 2 & \"3\" \\ 4"]
    if mode == "plain":
        expected = ["<B>CPU</B> 42%", "<C:Red>Threads 321</C> <C:$00FF00>procs</C> 42",
                    "<C:Navy><I>host</I> BUILDHOST</C>", "", "<B></B><S:2></S>",
                    "1 <<> 2 & \"3\" \\ 4"]
    if texts != expected:
        fail("%s: %r" % (where, texts))


def check_live_texts(mode, texts, where):
    host = os.uname().nodename[:15]
    if mode == "plain":
        texts = [re.sub(r"<[^>]*>", "", t) for t in texts]
    match = re.fullmatch(r"Threads (\d+) procs (\d+)", texts[1])
    if not match or int(match.group(1)) <= 0 or int(match.group(2)) <= 0:
        fail("%s: %r" % (where, texts[1]))
    if not re.fullmatch(r"CPU \d+%", texts[0]) or not texts[2].startswith("host "):
        fail("%s: %r" % (where, texts))
    if host.isascii() and texts[2] != "host " + host:
        fail("%s: host %r" % (where, texts[2]))


def awkward_record(program, path):
    """Names no JSON or Pango can carry raw arrive exactly, in every JSON mode."""
    with open(path, "wb") as out:
        out.write(record(host=AWKWARD_HOST, user=AWKWARD_USER))
    text = "<B><NAME=CompName></B>|<C:Red><NAME=UserName></C>"
    host = AWKWARD_HOST.decode("cp1252", errors="replace").replace("\ufffd", "\x81")
    user = AWKWARD_USER.decode("cp1252")
    for mode in ("i3bar", "waybar", "json"):
        visible = host + "|" + user
        if mode != "json":
            # Through Pango markup: NUL cannot be written and becomes U+FFFD, and Pango's
            # parser reads a CR as a line feed, as XML does.
            visible = visible.replace("\x00", "\ufffd").replace("\r", "\n")
        out = read_all(dravelfmt(program, mode, ["--record", path], text=text), "awkward " + mode)
        for line in out.split("\n")[:-1]:
            if mode == "waybar":
                json.loads(line)  # a line of its own, whatever the names hold
        if mode == "i3bar":
            arrays = I3barReader().feed(out)
            shown = [check_i3bar_blocks(a, 1, "awkward i3bar")[0] for a in arrays]
        elif mode == "waybar":
            shown = [check_waybar(l, None, "awkward waybar")[0]["text"] for l in out.split("\n")[:-1]]
            shown = [pango(s, "awkward waybar") for s in shown]
        else:
            shown = [check_json(l, 1, "awkward json")[0] for l in out.split("\n")[:-1]]
        if shown != [visible] * 3:
            fail("awkward %s: %r, not %r" % (mode, shown, visible))


def random_markup(program, path):
    """Lines pieced together at random from label markup and awkward characters: Pango's
    parser reads every block and every Waybar text."""
    pieces = ["<B>", "</B>", "<I>", "</I>", "<U>", "</U>", "<C:Red>", "<C:$12AB>", "<C:Bogus>",
              "</C>", "<S:3>", "</S>", "<RU>", "\u0416", "<EU>", "<<>", "</>", "<", ">", "&",
              "&amp;", "\"", "\\", "'", "\x01", "\x1f", "\t", "\x7f", "\x81", "\u00e9",
              "\u20ac", "\U0001F600", "<NAME=Threads>", "x", " "]
    rng = random.Random(20240501)
    lines = ["".join(rng.choice(pieces) for _ in range(rng.randint(0, 14))) for _ in range(60)]
    text = "\n".join(lines)
    out = read_all(dravelfmt(program, "i3bar", ["--record", path], text=text, count=1),
                   "random i3bar")
    for blocks in I3barReader().feed(out):
        check_i3bar_blocks(blocks, len(lines), "random i3bar")
    for number, line in enumerate(lines):
        out = read_all(dravelfmt(program, "waybar", ["--record", path], text=line, count=1),
                       "random waybar")
        check_waybar(out.rstrip("\n"), None, "random waybar, line %d %r" % (number, line))


def stream_ends(program, path):
    """A reader that goes away, and SIGTERM, end a stream quietly after a whole refresh."""
    for mode in ("i3bar", "waybar", "json", "plain"):
        proc = dravelfmt(program, mode, ["--record", path], count=0)
        proc.stdout.readline()
        proc.stdout.close()  # the bar went away
        try:
            status = proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            fail("%s: a closed output did not end the stream" % mode)
        err = proc.stderr.read()
        if status != 0 or err:
            fail("%s: a closed output ended with %d, %r" % (mode, status, err))
        proc.stderr.close()

    # A stop signal ends the stream after a whole refresh, and the process by that signal,
    # as shells expect of an interrupted program.
    proc = dravelfmt(program, "json", [], count=0)
    first = proc.stdout.readline()
    check_json(first, TEXT.count("\n") + 1, "stream")
    proc.send_signal(signal.SIGTERM)
    try:
        out, err = proc.communicate(timeout=DEADLINE)
    except subprocess.TimeoutExpired:
        proc.kill()
        fail("SIGTERM did not end the stream")
    if proc.returncode != -signal.SIGTERM or err:
        fail("SIGTERM: status %d, %r" % (proc.returncode, err))
    if out and not out.endswith("\n"):
        fail("SIGTERM cut a refresh: %r" % out[-80:])


class LineReader:
    """Whole lines of a process's output and error, each read within a deadline."""

    def __init__(self, proc):
        self.proc = proc
        self.pending = {proc.stdout.fileno(): b"", proc.stderr.fileno(): b""}
        self.out, self.err = [], []

    def until(self, done, what, timeout=DEADLINE):
        end = time.monotonic() + timeout
        while not done():
            left = end - time.monotonic()
            if left <= 0:
                fail("waited in vain for %s; out %r, err %r" % (what, self.out[-3:], self.err))
            ready, _, _ = select.select(list(self.pending), [], [], left)
            for fd in ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    fail("dravelfmt ended while waiting for %s: %r" % (what, self.err))
                self.pending[fd] += chunk
                *whole, self.pending[fd] = self.pending[fd].split(b"\n")
                target = self.out if fd == self.proc.stdout.fileno() else self.err
                target.extend(line.decode("utf-8") for line in whole)


def link_modes(program, server_program):
    server = LinkTestServer(server_program)
    try:
        def check_link_texts(mode, texts, where):
            shown = texts[2] if mode != "plain" else re.sub(r"<[^>]*>", "", texts[2])
            if shown != "host LINKTEST" or "456" not in texts[1]:
                fail("%s: %r" % (where, texts))
        run_modes(program, ["--connect", "127.0.0.1:%d" % server.port], "link",
                  check_link_texts)

        # A stream outlives its server: the last lines go on, and it reconnects.
        proc = subprocess.Popen(
            [program, "--waybar", "--interval", "100", "--connect", "127.0.0.1:%d" % server.port,
             "<NAME=CompName> <NAME=Threads>"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        reader = LineReader(proc)
        try:
            reader.until(lambda: len(reader.out) >= 3, "the first refreshes")
            port = server.port
            server.stop()
            reader.until(lambda: any("closed the link" in e or "cannot reach" in e
                                     for e in reader.err), "the lost link to be told")
            seen = len(reader.out)
            reader.until(lambda: len(reader.out) >= seen + 5, "the last lines while away")
            if any(json.loads(l)["text"] != "LINKTEST 456" for l in reader.out):
                fail("while away: %r" % reader.out[-5:])
            server = LinkTestServer(server_program, port)
            reader.until(lambda: any("is back" in e for e in reader.err), "the reconnection")
            seen = len(reader.out)
            reader.until(lambda: len(reader.out) >= seen + 3, "refreshes after reconnecting")
            proc.send_signal(signal.SIGINT)
            if proc.wait(timeout=10) != -signal.SIGINT:
                fail("the streaming client ended with %d" % proc.returncode)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            proc.stdout.close()
            proc.stderr.close()
    finally:
        server.stop()


def main():
    if len(sys.argv) != 3:
        fail("usage: statusbar_e2e.py <dravelfmt> <link_test_server>")
    program, server_program = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="statusbar-e2e-") as work:
        os.environ.update(HOME=work, XDG_CONFIG_HOME=work, XDG_RUNTIME_DIR=work, TMPDIR=work)
        path = os.path.join(work, "saved.rec")
        with open(path, "wb") as out:
            out.write(record())
        run_modes(program, ["--record", path], "record", check_record_texts)
        run_modes(program, [], "live", check_live_texts)
        awkward_record(program, os.path.join(work, "awkward.rec"))
        random_markup(program, path)
        stream_ends(program, path)
        link_modes(program, server_program)
    print("status bars end to end: OK")


if __name__ == "__main__":
    main()
