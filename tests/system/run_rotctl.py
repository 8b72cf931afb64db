#!/usr/bin/env python3
"""Runs Hamlib's rotctl for a Windows test, which cannot read a Linux program's output itself.

Usage: run_rotctl.py PORTFILE
Writes "0 CONTROL_PORT" to PORTFILE once the control port listens. Each control line is the
arguments for one run of `rotctl -m 2 -r ...` (Hamlib's network rotator backend), split at
blanks; the answer is one line: "rc=N" then " | " and each line rotctl printed on its standard
output. Runs until the control connection closes or says "quit", or a minute has passed.
"""
import socket
import subprocess
import sys


def main():
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    server.settimeout(60)
    with open(sys.argv[1], "w") as f:
        f.write("0 %d\n" % server.getsockname()[1])
    control, _ = server.accept()
    control.settimeout(60)
    buffer = b""
    while True:
        try:
            data = control.recv(4096)
        except OSError:
            return
        if not data:
            return
        buffer += data
        while b"\n" in buffer:
            line, buffer = buffer.split(b"\n", 1)
            args = line.decode().split()
            if args == ["quit"]:
                return
            run = subprocess.run(["rotctl", "-m", "2"] + args, capture_output=True, text=True,
                                 timeout=20)
            out = [l for l in run.stdout.splitlines() if l.strip()]
            control.sendall((" | ".join(["rc=%d" % run.returncode] + out) + "\n").encode())


if __name__ == "__main__":
    main()
