#!/usr/bin/python3
"""Rotator controllers on a pseudo-terminal, for Hamlib's real drivers to talk to.

Three controller families, written from their published command sets:
  gs232b     Yaesu GS-232B (Hamlib model 603): "C2" CR -> "AZ=aaa  EL=eee" CR LF,
             "Waaa eee" CR turns (the elevation is there at once), "S" CR stops; whole
             degrees, a 450-degree rotator (0..450), elevation 0..180.
  rot2prog   SPID Rot2Prog (901): 13-byte frames 'W' H1..H4 PH V1..V4 PV K 0x20, K = 0x1F
             status, 0x0F stop, 0x2F set (H digits in ASCII, PH pulses a degree); status and
             stop answered by 12 bytes 'W' h1..h4 PH v1..v4 PV 0x20 (h: digits of az + 360,
             the last in tenths); 2 pulses a degree (0.5-degree steps), -180..540.
  easycomm2  Easycomm II (202): "AZ EL" LF -> "AZaaa.a ELeee.e" LF, "AZaaa.a ELeee.e" LF turns,
             "SA SE" LF stops; 0..360 in tenths.

Each turns a simulated rotator at a settable speed toward the last target and logs every byte
in and out. Faults on request: slow replies (each reply held back N ms), silence (nothing read
is answered or obeyed for N s, as if the line were cut) and garbled replies (the next N replies
have their bytes scrambled).

Usage:
  controller_stand_in.py MODEL --rotctld PORTFILE [--log FILE]
      Also starts Debian's rotctld -m MODEL_NUMBER -r PTY on a free loopback port, and takes
      directions on a second one; writes "ROTCTLD_PORT CONTROL_PORT" to PORTFILE once both
      listen. Ends when the control connection says "quit" or closes, or after an hour.
  controller_stand_in.py MODEL [--log FILE]
      Prints the pseudo-terminal's path and serves it, with the control lines read from the
      standard input (for trying it with rotctl by hand).

Control lines, each answered by one line (a line "N ..." with a number N first, by "N ..."):
  set az=A speed=S     put the rotator at A (stands there) / turn at S degrees a second
  set el=E             put the elevation at E (gs232b only)
  slow MS              hold back each reply MS ms (0: answer at once)
  silent S             read, but neither answer nor obey anything for S seconds
  garble N             scramble the next N replies
  position             the rotator's azimuth now (in the controller's frame)
  commands             the commands understood since "clear", joined by " | "
  clear                forget them
  quit
"""
import os
import selectors
import socket
import subprocess
import sys
import termios
import time
import tty

MODELS = {"gs232b": 603, "rot2prog": 901, "easycomm2": 202}
LIFETIME_S = 3600


class Rotator:
    """An azimuth that moves toward its target at `speed` degrees a second."""

    def __init__(self, az, low, high):
        self.az = self.target = float(az)
        self.low, self.high = low, high
        self.speed = 30.0
        self.at = time.monotonic()

    def update(self):
        now = time.monotonic()
        step = self.speed * (now - self.at)
        self.at = now
        if abs(self.target - self.az) <= step:
            self.az = self.target
        else:
            self.az += step if self.target > self.az else -step

    def turn_to(self, target):
        self.update()
        self.target = min(max(float(target), self.low), self.high)

    def put(self, az):
        self.update()
        self.az = self.target = float(az)

    def stop(self):
        self.update()
        self.target = self.az


class Gs232b:
    number = MODELS["gs232b"]

    def __init__(self):
        self.rotator = Rotator(0, 0, 450)
        self.elevation = 0
        self.buffer = b""

    def feed(self, data):
        """Bytes read; yields (command text, reply bytes or None)."""
        self.buffer += data
        while b"\r" in self.buffer:
            line, self.buffer = self.buffer.split(b"\r", 1)
            text = line.decode("latin-1").strip()
            if not text:
                continue  # the driver follows each command that has no answer with a bare CR
            yield text, self.obey(text)

    def obey(self, text):
        r = self.rotator
        r.update()
        if text == "C2":
            return b"AZ=%03d  EL=%03d\r\n" % (round(r.az), self.elevation)
        if text == "C":
            return b"AZ=%03d\r\n" % round(r.az)
        if text[0] in "WM" and text[1:4].isdigit():
            r.turn_to(int(text[1:4]))
            if text[0] == "W" and text[5:8].isdigit():
                self.elevation = min(int(text[5:8]), 180)
            return None
        if text in ("S", "A"):
            r.stop()
            return None
        return b"?>\r\n"

    def position(self):
        self.rotator.update()
        return "%d" % round(self.rotator.az)


class Rot2Prog:
    number = MODELS["rot2prog"]
    pulses = 2  # a degree: the controller's resolution is half a degree

    def __init__(self):
        self.rotator = Rotator(0, -180, 540)
        self.buffer = b""

    def feed(self, data):
        self.buffer += data
        while True:
            start = self.buffer.find(b"W")
            if start < 0:
                self.buffer = b""
                return
            self.buffer = self.buffer[start:]
            if len(self.buffer) < 13:
                return
            frame, self.buffer = self.buffer[:13], self.buffer[13:]
            if frame[12] != 0x20:
                self.buffer = frame[1:] + self.buffer  # not a frame: look for the next 'W'
                continue
            yield self.obey(frame)

    def obey(self, frame):
        r = self.rotator
        k = frame[11]
        if k == 0x1F:
            return "status", self.status()
        if k == 0x0F:
            r.stop()
            return "stop", self.status()
        if k == 0x2F:
            digits = frame[1:5]
            if all(0x30 <= d <= 0x39 for d in digits) and frame[5]:
                value = int(digits.decode())
                az = value / frame[5] - 360
                r.turn_to(az)
                return "set %.1f" % az, None
        return "frame %s" % frame.hex(), None

    def reported(self):
        self.rotator.update()
        return round(self.rotator.az * self.pulses) / self.pulses

    def status(self):
        tenths = round((self.reported() + 360) * 10)
        h = [tenths // 1000, tenths // 100 % 10, tenths // 10 % 10, tenths % 10]
        v = [3, 6, 0, 0]  # elevation 0: 360.0
        return bytes([0x57, *h, self.pulses, *v, self.pulses, 0x20])

    def position(self):
        return "%.1f" % self.reported()


class Easycomm2:
    number = MODELS["easycomm2"]

    def __init__(self):
        self.rotator = Rotator(0, 0, 360)
        self.buffer = b""

    def feed(self, data):
        self.buffer += data
        while b"\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\n", 1)
            text = line.decode("latin-1").strip()
            if text:
                yield text, self.obey(text)

    def obey(self, text):
        r = self.rotator
        r.update()
        words = text.split()
        if words == ["AZ", "EL"]:
            return b"AZ%.1f EL0.0\n" % r.az
        if words and words[0].startswith("AZ") and len(words[0]) > 2:
            try:
                r.turn_to(float(words[0][2:]))
            except ValueError:
                pass
            return None
        if words[:1] == ["SA"]:
            r.stop()
        return None

    def position(self):
        self.rotator.update()
        return "%.1f" % self.rotator.az


class Line:
    """The controller's end of a pseudo-terminal, with the faults and the byte log."""

    def __init__(self, model, log_path=None):
        self.controller = {"gs232b": Gs232b, "rot2prog": Rot2Prog,
                           "easycomm2": Easycomm2}[model]()
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        attrs = termios.tcgetattr(self.slave)
        attrs[3] &= ~termios.ECHO
        termios.tcsetattr(self.slave, termios.TCSANOW, attrs)
        os.set_blocking(self.master, False)
        self.path = os.ttyname(self.slave)
        self.log = open(log_path, "a", buffering=1) if log_path else None
        self.start = time.monotonic()
        self.slow_ms = 0
        self.silent_until = 0.0
        self.garble = 0
        self.outbox = []  # (due, bytes)
        self.commands = []

    def note(self, direction, data):
        if self.log:
            self.log.write("%d %s %s\n" % ((time.monotonic() - self.start) * 1000, direction,
                                           data.hex(" ")))

    def readable(self):
        try:
            data = os.read(self.master, 4096)
        except (BlockingIOError, OSError):
            return
        self.note("in", data)
        if time.monotonic() < self.silent_until:
            return
        for command, reply in self.controller.feed(data):
            self.commands.append(command)
            if reply is None:
                continue
            if self.garble > 0:
                self.garble -= 1
                reply = bytes(reversed(reply[:-1])).replace(b"\n", b"#") + reply[-1:]
            self.outbox.append((time.monotonic() + self.slow_ms / 1000.0, reply))

    def tick(self):
        now = time.monotonic()
        due = [item for item in self.outbox if item[0] <= now]
        self.outbox = [item for item in self.outbox if item[0] > now]
        for _, reply in due:
            self.note("out", reply)
            try:
                os.write(self.master, reply)
            except OSError:
                pass

    def control(self, line):
        words = line.split()
        if not words:
            return "error empty"
        word, rest = words[0], words[1:]
        try:
            if word == "set":
                for item in rest:
                    key, value = item.split("=", 1)
                    if key == "az":
                        self.controller.rotator.put(float(value))
                    elif key == "el" and hasattr(self.controller, "elevation"):
                        self.controller.elevation = int(value)
                    elif key == "speed":
                        self.controller.rotator.update()
                        self.controller.rotator.speed = float(value)
                    else:
                        return "error unknown setting " + key
                return "ok"
            if word == "slow":
                self.slow_ms = int(rest[0])
                return "ok"
            if word == "silent":
                self.silent_until = time.monotonic() + float(rest[0])
                self.outbox = []
                return "ok"
            if word == "garble":
                self.garble = int(rest[0])
                return "ok"
            if word == "position":
                return self.controller.position()
            if word == "commands":
                return " | ".join(self.commands)
            if word == "clear":
                self.commands = []
                return "ok"
        except (IndexError, ValueError) as error:
            return "error " + str(error)
        return "error unknown " + word


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_rotctld(line, log_dir):
    """Debian's rotctld on the pseudo-terminal; (process, port) once it listens."""
    for _ in range(5):
        port = free_port()
        out = open(os.path.join(log_dir, "rotctld.out"), "ab") if log_dir else subprocess.DEVNULL
        process = subprocess.Popen(["rotctld", "-m", str(line.controller.number), "-r",
                                    line.path, "-T", "127.0.0.1", "-t", str(port)],
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and process.poll() is None:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return process, port
            except OSError:
                time.sleep(0.05)
        process.kill()
        process.wait()
    raise RuntimeError("rotctld did not start")


def serve(line, control_listener=None, stdin_control=False):
    """Runs the line until told to quit, the control link closes or the lifetime ends."""
    selector = selectors.DefaultSelector()
    selector.register(line.master, selectors.EVENT_READ, "line")
    if control_listener:
        selector.register(control_listener, selectors.EVENT_READ, "accept")
    if stdin_control:
        selector.register(sys.stdin, selectors.EVENT_READ, "stdin")
    buffers = {}
    had_client = False
    deadline = time.monotonic() + LIFETIME_S
    while time.monotonic() < deadline:
        for key, _ in selector.select(0.02):
            if key.data == "line":
                line.readable()
            elif key.data == "accept":
                client, _ = control_listener.accept()
                selector.register(client, selectors.EVENT_READ, "client")
                buffers[client] = b""
                had_client = True
            elif key.data == "stdin":
                text = sys.stdin.readline()
                if not text or text.strip() == "quit":
                    return
                print(line.control(text.strip()), flush=True)
            else:
                client = key.fileobj
                data = client.recv(4096)
                if not data:
                    selector.unregister(client)
                    client.close()
                    del buffers[client]
                    continue
                buffers[client] += data
                while b"\n" in buffers[client]:
                    text, buffers[client] = buffers[client].split(b"\n", 1)
                    text = text.decode().strip()
                    # "N LINE" is answered "N ANSWER": the test can tell a late answer.
                    tag, _, rest = text.partition(" ")
                    if not tag.isdigit():
                        tag, rest = "", text
                    if rest == "quit":
                        client.sendall((tag + " ok\n").lstrip().encode())
                        return
                    answer = line.control(rest)
                    client.sendall(((tag + " " + answer) if tag else answer).encode() + b"\n")
        line.tick()
        if had_client and not buffers:
            return


def main(argv):
    args = argv[1:]
    if not args or args[0] not in MODELS:
        sys.exit(__doc__)
    model = args[0]
    options = dict(zip(args[1::2], args[2::2]))
    line = Line(model, options.get("--log"))
    if "--rotctld" not in options:
        print(line.path, flush=True)
        serve(line, stdin_control=True)
        return 0
    port_file = options["--rotctld"]
    rotctld, port = start_rotctld(line, os.path.dirname(os.path.abspath(port_file)))
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    try:
        with open(port_file + ".tmp", "w") as f:
            f.write("%d %d\n" % (port, listener.getsockname()[1]))
        os.replace(port_file + ".tmp", port_file)
        serve(line, control_listener=listener)
    finally:
        rotctld.kill()
        rotctld.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
