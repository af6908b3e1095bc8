#!/usr/bin/env python3
"""Record what a program writes to a VT100 of 80x24.

The program runs on a pseudo-terminal with TERM=vt100, LC_ALL=C and a fresh, empty HOME (so no
user settings change what it draws), in that HOME as its working folder. The recording is taken in
steps: "start" holds everything written until the program falls quiet; each --step NAME KEYS then
types KEYS and holds what follows until it is quiet again; "end" holds what comes after the last
step until the program exits (it is killed after a few seconds). The output file has the format
the VT100 comparison reads: "VTREC1\\n", then per step "screen NAME LENGTH\\n", the bytes and "\\n".

KEYS take the escapes \\r \\n \\t \\e (ESC) \\xHH and \\\\. Identity requests (ESC [ c, ESC Z),
status requests (ESC [ 5 n) and cursor-position requests (ESC [ 6 n) are answered as a VT100 does.

  vt100_record.py -o less.rec --step down ' ' --step quit q -- sh -c 'seq 300 > n; exec less n'
"""

import argparse
import fcntl
import os
import pty
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
    """Answers the requests a host may send to its terminal, as a VT100 at 80x24 would.

    The cursor is followed well enough for a position report after addressing and plain text:
    CUP, the four cursor moves, CR, LF, BS and printable bytes; other sequences leave it alone.
    """

    def __init__(self):
        self.row, self.col = 1, 1
        self.seq = b""  # an escape sequence under way

    def replies(self, data):
        out = b""
        for byte in data:
            c = bytes([byte])
            if self.seq:
                self.seq += c
                if self.seq[1:2] == b"[":
                    if len(self.seq) > 2 and 0x40 <= byte <= 0x7E:
                        out += self.command(self.seq)
                        self.seq = b""
                elif self.seq[1:2] in (b"(", b")", b"#"):
                    if len(self.seq) == 3:
                        self.seq = b""
                elif len(self.seq) == 2:
                    if c == b"Z":
                        out += b"\x1b[?1;0c"
                    self.seq = b""
            elif c == b"\x1b":
                self.seq = c
            elif c == b"\r":
                self.col = 1
            elif c == b"\n":
                self.row = min(self.row + 1, ROWS)
            elif c == b"\b":
                self.col = max(self.col - 1, 1)
            elif byte >= 0x20:
                self.col = min(self.col + 1, COLS)
        return out

    def command(self, seq):
        final, params = seq[-1:], seq[2:-1]
        args = [int(a) if a.isdigit() else 0 for a in params.split(b";")]
        n = max(args[0], 1)
        if final in (b"H", b"f"):
            self.row = min(max(args[0], 1), ROWS)
            self.col = min(max(args[1] if len(args) > 1 else 1, 1), COLS)
        elif final == b"A":
            self.row = max(self.row - n, 1)
        elif final == b"B":
            self.row = min(self.row + n, ROWS)
        elif final == b"C":
            self.col = min(self.col + n, COLS)
        elif final == b"D":
            self.col = max(self.col - n, 1)
        elif final == b"c" and params in (b"", b"0"):
            return b"\x1b[?1;0c"
        elif final == b"n" and params == b"5":
            return b"\x1b[0n"
        elif final == b"n" and params == b"6":
            return b"\x1b[%d;%dR" % (self.row, self.col)
        return b""


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
