#!/usr/bin/env python3
"""Clients polling a rotctld-protocol port with `p`, for scripts/bench-doors.

Side by side in one run: Debian's rotctld over the SPID Rot2Prog stand-in
(tests/controllers/controller_stand_in.py, about 0.3 s per position query), polled by 4
clients at 2 Hz straight, then through RotServer's rotctld-protocol door; then 16 clients at
10 Hz through RotServer with its CPU. Each client sends "p", waits for the answer and sends
the next at its next tick (a late answer pushes the next poll back, as a real client's would).
The controller's status queries are counted by the stand-in. Prints a Markdown table.
Runs inside scripts/with-display (WINEPREFIX, DISPLAY); scripts/bench-doors sets it up.

Usage: doors_bench.py --rotserver RotServer.exe --stand-in controller_stand_in.py --work DIR
"""
import argparse
import os
import socket
import statistics
import subprocess
import sys
import threading
import time


def poll(port, hz, seconds, times, errors, lock):
    try:
        s = socket.create_connection(("127.0.0.1", port), timeout=10)
    except OSError:
        with lock:
            errors.append("connect")
        return
    s.settimeout(10)
    buffer = b""
    start = time.monotonic()
    tick = start
    while time.monotonic() - start < seconds:
        asked = time.perf_counter()
        try:
            s.sendall(b"p\n")
            while buffer.count(b"\n") < 2 and not buffer.startswith(b"RPRT"):
                data = s.recv(4096)
                if not data:
                    raise OSError("closed")
                buffer += data
        except OSError as e:
            with lock:
                errors.append(str(e))
            return
        took = (time.perf_counter() - asked) * 1000
        lines = buffer.split(b"\n")
        ok = not buffer.startswith(b"RPRT")
        buffer = b"\n".join(lines[2:] if ok else lines[1:])
        with lock:
            (times if ok else errors).append(took if ok else lines[0].decode())
        tick += 1.0 / hz
        time.sleep(max(0.0, tick - time.monotonic()))
    s.close()


class Control:
    """The controller stand-in's control link, held open: the stand-in ends when it closes."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.buffer = b""

    def ask(self, line):
        self.sock.sendall(line.encode() + b"\n")
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(1 << 20)
            if not chunk:
                raise OSError("the controller stand-in has gone")
            self.buffer += chunk
        answer, self.buffer = self.buffer.split(b"\n", 1)
        return answer.decode().strip()


def measure(port, clients, hz, seconds, control):
    """Polls `port` from `clients` clients; the figures as a dict."""
    control.ask("clear")
    times, errors, lock = [], [], threading.Lock()
    began = time.monotonic()
    threads = [threading.Thread(target=poll, args=(port, hz, seconds, times, errors, lock))
               for _ in range(clients)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    elapsed = time.monotonic() - began
    queries = control.ask("commands").count("status")
    times.sort()
    pick = lambda q: times[min(len(times) - 1, int(len(times) * q))] if times else float("nan")
    return {"replies": len(times), "errors": len(errors),
            "median": statistics.median(times) if times else float("nan"),
            "p99": pick(0.99), "max": times[-1] if times else float("nan"),
            "per_s": len(times) / elapsed, "queries_per_s": queries / elapsed,
            "why": sorted(set(errors))}


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def wait_log(path, needle, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            with open(path, errors="replace") as f:
                if needle in f.read():
                    return True
        except OSError:
            pass
        time.sleep(0.2)
    return False


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--rotserver", required=True, help="RotServer.exe")
    a.add_argument("--stand-in", required=True, help="controller_stand_in.py")
    a.add_argument("--work", required=True, help="a scratch folder")
    a.add_argument("--seconds", type=float, default=30)
    o = a.parse_args()
    wine = os.environ.get("WINE", "wine64")
    ports_file = os.path.join(o.work, "ports")
    stand_in = subprocess.Popen([sys.executable, o.stand_in, "rot2prog", "--rotctld", ports_file],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 30
        while not (os.path.exists(ports_file) and open(ports_file).read().strip()):
            if time.monotonic() > deadline:
                raise SystemExit("the controller stand-in did not start")
            time.sleep(0.1)
        rotctld_port, control_port = map(int, open(ports_file).read().split())
        control = Control(control_port)
        rows = {}
        print("== 4 clients at 2 Hz straight to rotctld", flush=True)
        rows["straight"] = measure(rotctld_port, 4, 2, o.seconds, control)
        door = free_port()
        values = {"RotatorBackend": "rotctld", "RotctldAddress": "127.0.0.1:%d" % rotctld_port,
                  "PollInterval": "1000", "ServeRotctld": "127.0.0.1:%d" % door}
        for name, value in values.items():
            subprocess.run([wine, "reg", "add", "HKCU\\Software\\Vexal", "/v", name, "/d", value,
                            "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        log = os.path.join(o.work, "rotserver.log")
        server = subprocess.Popen([wine, o.rotserver, "--log", "Z:" + log.replace("/", "\\")],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            if not wait_log(log, "rotctld connected", 60) or not wait_log(log, "listening", 10):
                raise SystemExit("RotServer did not connect to rotctld")
            time.sleep(3)  # its first readings, before the clock starts
            print("== 4 clients at 2 Hz through RotServer", flush=True)
            rows["through"] = measure(door, 4, 2, o.seconds, control)
            print("== 16 clients at 10 Hz through RotServer", flush=True)
            pid = server.pid
            hz = os.sysconf("SC_CLK_TCK")
            before = cpu_ticks(pid)
            rows["sixteen"] = measure(door, 16, 10, o.seconds, control)
            rows["sixteen"]["cpu"] = 100.0 * (cpu_ticks(pid) - before) / hz / o.seconds
        finally:
            server.kill()
        report(rows, o.seconds)
    finally:
        stand_in.kill()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def report(rows, seconds):
    names = {"straight": "4 clients × 2 Hz, straight to rotctld",
             "through": "4 clients × 2 Hz, through RotServer",
             "sixteen": "16 clients × 10 Hz, through RotServer"}
    print()
    print("| %d s each | replies/s | errors | median ms | p99 ms | max ms | controller queries/s |"
          % seconds)
    print("|---|---|---|---|---|---|---|")
    for key, r in rows.items():
        print("| %s | %.1f | %d | %.2f | %.2f | %.2f | %.2f |" % (
            names[key], r["per_s"], r["errors"], r["median"], r["p99"], r["max"],
            r["queries_per_s"]))
    for key, r in rows.items():
        if r["why"]:
            print("\n%s: errors were %s" % (names[key], ", ".join(r["why"])))
    if "cpu" in rows.get("sixteen", {}):
        print()
        print("RotServer's CPU with 16 clients at 10 Hz: %.2f %% of one core"
              % rows["sixteen"]["cpu"])


if __name__ == "__main__":
    main()
