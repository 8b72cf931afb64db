#!/usr/bin/env python3
"""A scripted stand-in for Hamlib's rotctld, for what the dummy rotator cannot do.

It serves rotctld's protocol on one loopback port (normal and extended "+" responses) and
takes directions from the test on a second one. It turns a rotator at a set speed within set
limits and can misbehave on request: stay silent to some commands, refuse a position with an
RPRT code, close the connection in the middle of a command, answer \\dump_state in the old
positional format, or answer position queries slowly.

Usage: stand_in_rotctld.py PORTFILE
Writes "ROTCTLD_PORT CONTROL_PORT" to PORTFILE once both ports listen, then runs until the
control connection says "quit" or closes, or the lifetime (an hour) ends.

Control lines (each answered by one line, "ok" or the value asked for):
  set KEY=VALUE ...   min_az max_az az speed (degrees, degrees a second), dump (new|old),
                      slow_p (ms before each position reply), silent (commands never
                      answered, comma-separated, e.g. "S,\\get_info"), rprt_P (RPRT code for
                      P, 0 to obey), rprt_p (RPRT code for p, as rotctld answers for a
                      silent controller: -5), close_on (a command whose arrival closes the connection),
                      stream (after the first command, send as fast as the socket takes:
                      "rprt" for "RPRT 0" lines, "junk" for bytes without a line end, "" not),
                      hangup_after (a command whose reply, once sent, closes the connection)
  received            every command line received since "clear", as "T_MS<TAB>LINE" items
                      joined by " | " (T_MS: ms since the stand-in started)
  clear               forgets the received lines
  position            the rotator's azimuth now
  connections         how many rotctld connections were accepted so far
  drop                closes every rotctld connection
  quit
"""
import selectors
import socket
import sys
import time

START = time.monotonic()


def now_ms():
    return int((time.monotonic() - START) * 1000)


class Rotator:
    def __init__(self):
        self.config = {"min_az": -180.0, "max_az": 180.0, "speed": 30.0, "dump": "new",
                       "slow_p": 0, "silent": "", "rprt_P": 0, "rprt_p": 0, "close_on": "",
                       "stream": "", "hangup_after": ""}
        self.az = 0.0
        self.target = 0.0
        self.moved_at = time.monotonic()

    def update(self):
        t = time.monotonic()
        step = float(self.config["speed"]) * (t - self.moved_at)
        self.moved_at = t
        if abs(self.target - self.az) <= step:
            self.az = self.target
        else:
            self.az += step if self.target > self.az else -step

    def set(self, key, value):
        if key == "az":
            self.update()
            self.az = self.target = float(value)
        elif key in ("min_az", "max_az", "speed"):
            self.config[key] = float(value)
        elif key in ("slow_p", "rprt_P", "rprt_p"):
            self.config[key] = int(value)
        elif key in ("dump", "silent", "close_on", "stream", "hangup_after"):
            self.config[key] = value
        else:
            raise KeyError(key)


class StandIn:
    def __init__(self, portfile):
        self.rotator = Rotator()
        self.selector = selectors.DefaultSelector()
        self.received = []
        self.accepted = 0
        self.clients = {}  # socket -> {"buffer": bytes, "pending": [(due, bytes)]}
        self.running = True
        self.listener = self.listen(self.accept_rotctld)
        self.control_listener = self.listen(self.accept_control)
        with open(portfile + ".tmp", "w") as f:
            f.write("%d %d\n" % (self.listener.getsockname()[1],
                                 self.control_listener.getsockname()[1]))
        import os
        os.replace(portfile + ".tmp", portfile)

    def listen(self, handler):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("127.0.0.1", 0))
        s.listen(8)
        s.setblocking(False)
        self.selector.register(s, selectors.EVENT_READ, handler)
        return s

    # rotctld side
    def accept_rotctld(self, listener):
        conn, _ = listener.accept()
        conn.setblocking(False)
        self.accepted += 1
        self.clients[conn] = {"buffer": b"", "pending": []}
        self.selector.register(conn, selectors.EVENT_READ, self.read_rotctld)

    def close_client(self, conn):
        self.selector.unregister(conn)
        self.clients.pop(conn, None)
        conn.close()

    def read_rotctld(self, conn):
        try:
            data = conn.recv(4096)
        except OSError:
            data = b""
        if not data:
            self.close_client(conn)
            return
        state = self.clients[conn]
        state["buffer"] += data
        while b"\n" in state["buffer"]:
            line, state["buffer"] = state["buffer"].split(b"\n", 1)
            text = line.decode("latin-1").rstrip("\r")
            self.received.append("%d\t%s" % (now_ms(), text))
            if not self.command(conn, state, text):
                return

    def command(self, conn, state, text):
        """Queues the reply to one command line; False when the connection was closed."""
        extended = text.startswith("+")
        body = text[1:] if extended else text
        words = body.split()
        name = words[0] if words else ""
        cfg = self.rotator.config
        if cfg["stream"]:
            state["streaming"] = {"rprt": b"RPRT 0\n" * 8192, "junk": b"j" * 65536}[cfg["stream"]]
        if name and name == cfg["close_on"]:
            self.close_client(conn)
            return False
        if name in [n for n in cfg["silent"].split(",") if n]:
            return True
        self.rotator.update()
        delay = 0
        if name in ("p", "\\get_pos"):
            delay = cfg["slow_p"] / 1000.0
            # The position as it is when the reply goes out.
            reply = lambda: self.position_reply(extended)
        elif name in ("P", "\\set_pos") and len(words) >= 3:
            reply = self.set_pos_reply(words, extended)
        elif name in ("S", "\\stop"):
            self.rotator.target = self.rotator.az
            reply = ("stop:\n" if extended else "") + "RPRT 0\n"
        elif name == "\\dump_state":
            reply = self.dump_state(extended)
        else:
            return True  # rotctld says nothing at all to a command it does not know
        state["pending"].append((time.monotonic() + delay, reply, name == cfg["hangup_after"]))
        return True

    def position_reply(self, extended):
        self.rotator.update()
        code = self.rotator.config["rprt_p"]
        if code:
            return ("get_pos:\n" if extended else "") + "RPRT %d\n" % code
        if extended:
            return "get_pos:\nAzimuth: %.2f\nElevation: 0.00\nRPRT 0\n" % self.rotator.az
        return "%.6f\n0.000000\n" % self.rotator.az

    def set_pos_reply(self, words, extended):
        cfg = self.rotator.config
        head = "set_pos: %s %s\n" % (words[1], words[2]) if extended else ""
        if cfg["rprt_P"]:
            return head + "RPRT %d\n" % cfg["rprt_P"]
        az = float(words[1])
        if az < cfg["min_az"] or az > cfg["max_az"]:
            return head + "RPRT -1\n"
        self.rotator.target = az
        return head + "RPRT 0\n"

    def dump_state(self, extended):
        cfg = self.rotator.config
        if cfg["dump"] == "old":
            # Before Hamlib 4.5.1: bare values in a fixed order, no keys, no "done".
            body = "0\n1\n%f\n%f\n0.000000\n90.000000\n" % (cfg["min_az"], cfg["max_az"])
        else:
            body = ("1\n1\nmin_az=%f\nmax_az=%f\nmin_el=0.000000\nmax_el=90.000000\n"
                    "south_zero=0\nrot_type=AzEl\ndone\n" % (cfg["min_az"], cfg["max_az"]))
        return ("dump_state:\n" + body + "RPRT 0\n") if extended else body

    def stream(self):
        for conn, state in list(self.clients.items()):
            if not state.get("streaming"):
                continue
            try:
                conn.send(state["streaming"])
            except BlockingIOError:
                pass
            except OSError:
                self.close_client(conn)

    def flush_pending(self):
        self.stream()
        t = time.monotonic()
        for conn, state in list(self.clients.items()):
            if state.get("streaming"):
                continue  # the stream is all it sends
            # Replies go out in order: a slow one holds up those behind it.
            while state["pending"] and state["pending"][0][0] <= t:
                _, reply, hangup = state["pending"].pop(0)
                text = reply() if callable(reply) else reply
                try:
                    conn.sendall(text.encode("latin-1"))
                except OSError:
                    hangup = True
                if hangup:
                    self.close_client(conn)
                    break

    # control side
    def accept_control(self, listener):
        conn, _ = listener.accept()
        conn.setblocking(True)
        self.selector.register(conn, selectors.EVENT_READ, self.read_control)
        self.control_buffers = getattr(self, "control_buffers", {})
        self.control_buffers[conn] = b""

    def read_control(self, conn):
        data = conn.recv(4096)
        if not data:
            # The test that directed it has gone: so does the stand-in.
            self.selector.unregister(conn)
            conn.close()
            self.running = False
            return
        self.control_buffers[conn] += data
        while b"\n" in self.control_buffers[conn]:
            line, self.control_buffers[conn] = self.control_buffers[conn].split(b"\n", 1)
            answer = self.control(line.decode("latin-1").strip())
            conn.sendall((answer + "\n").encode("latin-1"))

    def control(self, line):
        words = line.split()
        if not words:
            return "error empty"
        try:
            if words[0] == "set":
                for item in words[1:]:
                    key, value = item.split("=", 1)
                    self.rotator.set(key, value)
                return "ok"
            if words[0] == "received":
                return " | ".join(self.received)
            if words[0] == "clear":
                self.received = []
                return "ok"
            if words[0] == "position":
                self.rotator.update()
                return "%.2f" % self.rotator.az
            if words[0] == "connections":
                return str(self.accepted)
            if words[0] == "drop":
                for conn in list(self.clients):
                    self.close_client(conn)
                return "ok"
            if words[0] == "quit":
                self.running = False
                return "ok"
        except (KeyError, ValueError) as e:
            return "error %s" % e
        return "error unknown " + words[0]

    def run(self, lifetime_s=3600):
        deadline = time.monotonic() + lifetime_s
        while self.running and time.monotonic() < deadline:
            busy = any(state.get("streaming") for state in self.clients.values())
            for key, _ in self.selector.select(timeout=0 if busy else 0.01):
                key.data(key.fileobj)
            self.flush_pending()


if __name__ == "__main__":
    StandIn(sys.argv[1]).run()
