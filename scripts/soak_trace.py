#!/usr/bin/python3
"""What the chain soak (scripts/soak-chain) reads from outside the programs: RotServer's event
log, followed request by request, and a Wine process's memory and descriptors from Linux."""
import os
import re
import time


class Follower:
    """Reads RotServer's event log as it grows and follows one turn request to its outcome."""

    def __init__(self, path):
        self.file = open(path, "rb")
        self.pending = b""
        self.heading = None  # in tenths, as last reported to the bridge

    def watch(self, text):
        m = re.match(r'status "(-?\d+)', text)
        if m and int(m.group(1)) > -7200:
            self.heading = int(m.group(1))

    def lines(self):
        self.pending += self.file.read()
        *complete, self.pending = self.pending.split(b"\n")
        return [line.decode(errors="replace").rstrip("\r") for line in complete]

    def skip(self):
        for line in self.lines():
            self.watch(text_of(line))

    def outcome(self, target, seconds):
        deadline = time.monotonic() + seconds
        state = "sent"
        while time.monotonic() < deadline:
            for line in self.lines():
                text = text_of(line)
                self.watch(text)
                state, result = step(state, text, target)
                if result:
                    return result
            time.sleep(0.05)
        return ("lost", "no execute reached RotServer" if state == "sent"
                else "not reached and no reason shown (state %s)" % state)


def text_of(line):
    """An event log line without its two time stamps."""
    return line.split(" ", 2)[2] if line.count(" ") >= 2 else line


def distance(a, b):
    """Degrees apart, in tenths, of two headings in tenths."""
    return abs((a - b + 1800) % 3600 - 1800)


def step(state, text, target):
    """One line of RotServer's log applied to a request in STATE; returns (state, outcome)."""
    if state == "sent":
        m = re.match(r'execute size=\d+ text="(-?\d+)', text)
        if m:
            if int(m.group(1)) == target * 10:
                return "executed", None
            return "sent", ("lost", "a different target arrived: %s" % m.group(1))
        return "sent", None
    if state == "executed":
        if text.startswith("command move"):
            return "moving", None
        if text.startswith("command refused: "):
            return state, ("refused", "RotServer: " + text[len("command refused: "):])
        if text.startswith("command stop"):
            return state, ("refused", "taken as a stop request")
        return state, None
    # moving
    m = re.match(r"rotctld < .*RPRT (-\d+)", text)
    if m:
        return state, ("refused", "rotctld: RPRT " + m.group(1))
    if text.startswith("rotctld closed"):
        return state, ("cut-off", "rotctld went away while turning: " + text[15:].strip())
    m = re.match(r'status "(-?\d+)', text)
    if m:
        heading = int(m.group(1))
        if heading > -7200 and distance(heading, target * 10) <= 10:
            return state, ("reached", "")
    return state, None


def linux_usage(image, prefix):
    """VmRSS, RssAnon (KiB) and open file descriptors of the Wine process running IMAGE."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv0 = f.read().split(b"\0")[0].decode(errors="replace")
            if not argv0.lower().endswith(image.lower()):
                continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("WINEPREFIX=" + prefix).encode() not in f.read().split(b"\0"):
                    continue
            with open("/proc/%s/status" % pid) as f:
                status = dict(line.split(":", 1) for line in f if ":" in line)
            return {"rss_kib": int(status["VmRSS"].split()[0]),
                    "anon_kib": int(status["RssAnon"].split()[0]),
                    "fds": len(os.listdir("/proc/%s/fd" % pid))}
        except (OSError, KeyError, ValueError):
            continue
    return {"rss_kib": None, "anon_kib": None, "fds": None}
