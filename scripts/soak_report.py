#!/usr/bin/python3
"""The figures of a chain soak (scripts/soak-chain): CSV files, a plot and a docs section.

Usage: scripts/soak_report.py OUT/result.json [--docs]   (again from a finished soak's result)
"""
import collections
import csv
import json
import os
import re
import sys

SECTION = "## Soak of the whole chain"
OUTCOMES = [("reached", "reached the target (within 1°)"),
            ("refused", "refused, with the reason shown"),
            ("cut-off", "cut off by the rotctld restart, shown as the lost link"),
            ("lost", "lost without a reason shown")]


def write(result, out, docs_root):
    with open(os.path.join(out, "result.json"), "w") as f:
        json.dump(result, f, indent=1)
    write_csv(os.path.join(out, "samples.csv"), result["samples"])
    write_csv(os.path.join(out, "requests.csv"), result["requests"])
    summary = summarise(result)
    with open(os.path.join(out, "summary.json"), "w") as f:
        json.dump(summary, f, indent=1)
    print(json.dumps(summary, indent=1))
    if docs_root:
        plot(result, os.path.join(docs_root, "docs", "img", "soak-chain.png"))
        update_docs(os.path.join(docs_root, "docs", "benchmarks.md"), section(result, summary))


def write_csv(path, rows):
    if not rows:
        return
    with open(path, "w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=list(rows[0].keys()))
        writer.writeheader()
        writer.writerows(rows)


def spread(samples, key):
    values = [s[key] for s in samples if s.get(key) is not None]
    if not values:
        return None
    return {"first": values[0], "last": values[-1], "min": min(values), "max": max(values),
            "count": len(values)}


def summarise(result):
    requests = result["requests"]
    counts = collections.Counter(r["outcome"] for r in requests)
    by_source = collections.Counter((r["source"], r["outcome"]) for r in requests)
    reasons = collections.Counter(r["reason"] for r in requests if r["outcome"] != "reached")
    samples = result["samples"]
    # Settled: after the first ten minutes, when Wine's and the programs' caches are warm.
    settled = [s for s in samples if s["minute"] >= 10] or samples
    keys = [p + "_" + k for p in ("bridge", "rotserver")
            for k in ("rss_kib", "anon_kib", "handles", "table", "fds")]
    slopes = {k: slope(settled, k) for k in keys}
    return {"sent": len(requests), "outcomes": dict(counts), "slopes": slopes,
            "by_source": {"%s %s" % k: v for k, v in by_source.items()},
            "reasons": dict(reasons), "restarts": len(result["restarts"]),
            "samples": len(samples),
            "all": {k: spread(samples, k) for k in keys},
            "settled": {k: spread(settled, k) for k in keys}}


def slope(samples, key):
    """Least-squares growth of `key` per minute over `samples`; None with fewer than two."""
    points = [(s["minute"], s[key]) for s in samples if s.get(key) is not None]
    if len(points) < 2:
        return None
    n = len(points)
    mx = sum(x for x, _ in points) / n
    my = sum(y for _, y in points) / n
    var = sum((x - mx) ** 2 for x, _ in points)
    return round(sum((x - mx) * (y - my) for x, y in points) / var, 2) if var else None


def plot(result, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    samples = result["samples"]
    minutes = [s["minute"] for s in samples]
    fig, (mem, handles) = plt.subplots(2, 1, figsize=(9, 6.5), sharex=True)
    for who, colour in (("bridge", "tab:blue"), ("rotserver", "tab:orange")):
        label = {"bridge": "bridge", "rotserver": "RotServer"}[who]
        mem.plot(minutes, [mib(s[who + "_rss_kib"]) for s in samples], color=colour,
                 label=label + " resident (VmRSS)")
        mem.plot(minutes, [mib(s[who + "_anon_kib"]) for s in samples], color=colour,
                 linestyle="--", label=label + " private anonymous (RssAnon)")
        handles.plot(minutes, [s[who + "_handles"] for s in samples], color=colour,
                     label=label + " Windows handles")
        handles.plot(minutes, [s[who + "_fds"] for s in samples], color=colour,
                     linestyle=":", label=label + " Linux file descriptors")
    for restart in result["restarts"]:
        for axis in (mem, handles):
            axis.axvline(restart, color="grey", linewidth=0.6)
    mem.set_ylabel("MiB")
    mem.set_ylim(bottom=0)
    mem.legend(fontsize=8, loc="center right")
    mem.set_title("Chain soak under Wine: memory and handles each minute "
                  "(grey: rotctld started again after a kill)", fontsize=10)
    handles.set_ylabel("count")
    handles.set_ylim(bottom=0)
    handles.set_xlabel("minutes")
    handles.legend(fontsize=8, loc="center right")
    fig.tight_layout()
    os.makedirs(os.path.dirname(path), exist_ok=True)
    fig.savefig(path, dpi=90)


def mib(kib):
    return None if kib is None else kib / 1024.0


def section(result, summary):
    s = summary
    lines = [SECTION, "",
             "`scripts/soak-chain` runs the whole chain under Wine for %g minutes (`--minutes`, "
             "an hour unless told): the simulated "
             "Logger32, the bridge, RotServer (backend rotctld) and Hamlib's `rotctld -m 1` "
             "(the dummy rotator, about 6° a second), in a Wine prefix, X server and port of "
             "its own. Every few seconds a turn request, 10 to 40° away from the last: three "
             "from Logger32 (`turn AZ` on logger32-sim's input), every fourth typed into the "
             "bridge's target box (xdotool). Each is followed in RotServer's event log to its "
             "outcome before the next goes out 2 s later. Every %g minutes rotctld is killed "
             "(SIGKILL) and started again %g s later." % (result["minutes"],
                                                          result["restart_minutes"],
                                                          result["down_seconds"]),
             "",
             "Memory is read from Linux (`/proc/PID/status` of the Wine process: VmRSS, and "
             "RssAnon, its private anonymous part, where a leak on the heap shows); Linux file "
             "descriptors from `/proc/PID/fd`. Windows handles are counted by "
             "`soak-probe.exe` inside the same wineserver, one by one (a handle value is open "
             "when it can be duplicated out of the process): under Wine "
             "GetProcessHandleCount and the private bytes read 0 for another process, and "
             "the HandleCount of the process list is the size of wineserver's handle table, "
             "which grows in doubling steps.",
             "",
             "Run: %s, %g minutes, %d samples, rotctld restarted %d times.  "
             % (result["begun"], result["minutes"], s["samples"], s["restarts"]),
             "Plot: ![memory and handles over the soak](img/soak-chain.png)", "",
             "| turn requests | count |", "| --- | ---: |",
             "| sent | %d |" % s["sent"]]
    for key, words in OUTCOMES:
        lines.append("| %s | %d |" % (words, s["outcomes"].get(key, 0)))
    lines += ["", "By source: " + ", ".join("%s %d" % (k, v)
                                            for k, v in sorted(s["by_source"].items())) + ".",
              ""]
    if s["reasons"]:
        lines += ["| reason given (RotServer's log and status line) | count |",
                  "| --- | ---: |"]
        for reason, count in sorted(s["reasons"].items(), key=lambda kv: -kv[1]):
            lines.append("| %s | %d |" % (re.sub(r"\|", "/", reason) or "-", count))
        lines.append("")
    lines += ["| per minute | first | after 10 min: min | max | last | trend after 10 min (per minute) |",
              "| --- | ---: | ---: | ---: | ---: | ---: |"]
    names = {"rss_kib": "resident (KiB)", "anon_kib": "private anonymous (KiB)",
             "handles": "Windows handles", "table": "wineserver handle table size",
             "fds": "Linux file descriptors"}
    for who, label in (("bridge", "bridge"), ("rotserver", "RotServer")):
        for key, words in names.items():
            a, b = s["all"][who + "_" + key], s["settled"][who + "_" + key]
            if a and b:
                trend = s["slopes"].get(who + "_" + key)
                lines.append("| %s %s | %s | %s | %s | %s | %s |" % (
                    label, words, a["first"], b["min"], b["max"], b["last"],
                    "-" if trend is None else "%+.2f" % trend))
    lines += ["", verdict(s), ""]
    return "\n".join(lines)


def verdict(summary):
    """One sentence per program: flat or not, from the trends after the first ten minutes."""
    words = []
    for who, label in (("bridge", "the bridge"), ("rotserver", "RotServer")):
        memory = summary["slopes"].get(who + "_anon_kib")
        handles = summary["settled"].get(who + "_handles")
        if memory is None or handles is None:
            words.append("%s: not measured" % label)
            continue
        flat_handles = handles["max"] - handles["min"] <= 1
        flat_memory = abs(memory) < 1.0
        words.append("%s: handles %s (%d to %d), private memory %s (%+.2f KiB a minute)" % (
            label, "flat" if flat_handles else "NOT flat", handles["min"], handles["max"],
            "flat" if flat_memory else "NOT flat", memory))
    lost = summary["outcomes"].get("lost", 0)
    return ("After the first ten minutes, " + "; ".join(words) + ". Turn requests lost "
            "without a reason shown: %d." % lost)


BEGIN, END = "<!-- soak-chain -->", "<!-- /soak-chain -->"


def update_docs(path, text):
    """Replaces the soak's section of PATH (between its markers), or adds it at the end."""
    with open(path) as f:
        old = f.read()
    block = BEGIN + "\n" + text.rstrip("\n") + "\n" + END + "\n"
    start, end = old.find(BEGIN), old.find(END)
    if start < 0 or end < start:
        new = old.rstrip("\n") + "\n\n" + block
    else:
        rest = old[end + len(END):].lstrip("\n")
        new = old[:start] + block + ("\n" + rest if rest else "")
    with open(path, "w") as f:
        f.write(new)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    with open(sys.argv[1]) as f:
        data = json.load(f)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    write(data, os.path.dirname(os.path.abspath(sys.argv[1])),
          root if "--docs" in sys.argv else None)
