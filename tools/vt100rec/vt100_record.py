#!/usr/bin/env python3
"""Record what a program writes to a VT100 of 80x24.

The program runs on a pseudo-terminal with TERM=vt100, LC_ALL=C and a fresh, empty HOME (so no
user settings change what it draws), in that HOME as its working folder. The recording is taken in
steps: "start" holds everything written until the program falls quiet; each --step NAME KEYS then
types KEYS and holds what follows until it is quiet again; "end" holds what comes after the last
step until the program exits (it is killed after a few seconds). The output file has the format
the VT100 comparison reads: "VTREC1\\n", then per step "screen NAME LENGTH\\n", the bytes and "\\n".

KEYS take the escapes \\r \\n \\t \\e (ESC) \\xHH and \\\\. Identity requests (ESC [ c, ESC Z) and
status requests (ESC [ 5 n) are answered as a VT100 does; a cursor-position request is answered
with the position the program last addressed, which is all a program at 80x24 asks it for.

  vt100_record.py -o less.rec --step down ' ' --step quit q -- sh -c 'seq 300 > n; exec less n'
"""

import argparse
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import struct
import sys
import tempfile
import termios
import time

ROWS, COLS = 24, 80


def decode_keys(text):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out += c.encode("latin-1")
            i += 1
            continue
        n = text[i + 1]
        if n == "x" and i + 4 <= len(text):
            out.append(int(text[i + 2 : i + 4], 16))
            i += 4
            continue
        out += {"r": b"\r", "n": b"\n", "t": b"\t", "e": b"\x1b", "\\": b"\\"}.get(n, ("\\" + n).encode())
        i += 2
    return bytes(out)


class Answerer:
    """Answers the requests a host may send to its terminal, as a VT100 at 80x24 would."""

    CUP = re.compile(rb"\x1b\[(\d*)(?:;(\d*))?[Hf]")

    def __init__(self):
        self.tail = b""
        self.row, self.col = 1, 1

    def replies(self, data):
        text = self.tail + data
        out = b""
        for m in self.CUP.finditer(text):
            self.row = int(m.group(1) or 1)
            self.col = int(m.group(2) or 1)
        for m in re.finditer(rb"\x1b\[0?c|\x1bZ|\x1b\[5n|\x1b\[6n", text):
            if m.end() <= len(self.tail):
                continue  # answered already
            req = m.group(0)
            if req == b"\x1b[5n":
                out += b"\x1b[0n"
            elif req == b"\x1b[6n":
                out += b"\x1b[%d;%dR" % (self.row, self.col)
            else:
                out += b"\x1b[?1;0c"
        self.tail = text[-8:]
        return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("-o", "--output", required=True)
    ap.add_argument("--step", nargs=2, action="append", default=[], metavar=("NAME", "KEYS"))
    ap.add_argument("--quiet", type=float, default=0.5, help="seconds without output that end a step")
    ap.add_argument("--longest", type=float, default=6.0, help="seconds a step may last at most")
    ap.add_argument("command", nargs=argparse.REMAINDER)
    args = ap.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        ap.error("no command")

    home = tempfile.mkdtemp(prefix="vt100rec-")
    env = {
        "PATH": "/usr/bin:/bin:/usr/sbin:/sbin",
        "HOME": home,
        "TERM": "vt100",
        "LC_ALL": "C",
        "LANG": "C",
        "SHELL": "/bin/sh",
        "USER": "user",
        "PS1": "$ ",
    }
    pid, master = pty.fork()
    if pid == 0:
        os.chdir(home)
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLS, 0, 0))
        os.execvpe(command[0], command, env)

    answerer = Answerer()
    steps = []
    exited = False

    def collect(longest):
        nonlocal exited
        got = b""
        start = last = time.monotonic()
        while not exited:
            now = time.monotonic()
            if now - last >= args.quiet or now - start >= longest:
                break
            ready, _, _ = select.select([master], [], [], 0.05)
            if not ready:
                continue
            try:
                data = os.read(master, 65536)
            except OSError:
                data = b""
            if not data:
                exited = True
                break
            got += data
            last = time.monotonic()
            reply = answerer.replies(data)
            if reply:
                os.write(master, reply)
        return got

    steps.append(("start", collect(args.longest)))
    for name, keys in args.step:
        if exited:
            sys.exit("the program exited before step " + name)
        os.write(master, decode_keys(keys))
        steps.append((name, collect(args.longest)))
    steps.append(("end", collect(3.0)))
    if not exited:
        os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    os.close(master)
    shutil.rmtree(home, ignore_errors=True)

    with open(args.output, "wb") as f:
        f.write(b"VTREC1\n")
        for name, data in steps:
            f.write(b"screen %s %d\n" % (name.encode(), len(data)) + data + b"\n")
    print("%s: %d steps, %d bytes" % (args.output, len(steps), sum(len(d) for _, d in steps)))


if __name__ == "__main__":
    main()
