#!/usr/bin/env python3
"""The tables bench/run prints, from its raw results.

    bench/table.py <results> <rounds> <P1 runs>

Each result line is a kind and key=value fields:
    run w=W1 tool=curl secs=0.19 rss=10860 cpu=150 xcpu=- conns=1 clients=- failed=0 protocols=-
    load label=W1-start one=0.52 five=0.40 fifteen=0.31 create=24
"""

import statistics
import sys

MIB = 1 << 20
WORKLOADS = {
    "W1": ("W1 1000 x 4 KiB", 1000 * 4096),
    "W2": ("W2 200 x 256 KiB", 200 * 262144),
    "W3": ("W3 4 x 256 MiB", 4 * 268435456),
    "W4": ("W4 1 x 1 GiB", 1073741824),
    "W5": ("W5 10,000 x 1 KiB", 10000 * 1024),
    "WIN": ("WIN window, W1's files", 1000 * 4096),
    "WIN5": ("WIN5 window, W5's files", 10000 * 1024),
    "P1": ("P1 W1 via tinyproxy, 4 busy loops", 1000 * 4096),
    "H2": ("H2 1000 x 4 KiB over HTTPS", 1000 * 4096),
    "RTT": ("RTT 200 x 4 KiB, 20 ms round trip added", 200 * 4096),
}
TOOLS = {
    "window": "Seqget window",
    "seqget": "Seqget headless",
    "curl": "curl",
    "wget": "wget",
    "wget2": "wget2",
    "cp": "cp (floor)",
}


def read(path):
    runs, loads = [], {}
    for line in open(path):
        kind, *fields = line.split()
        values = dict(field.split("=", 1) for field in fields)
        if kind == "run":
            runs.append(values)
        elif kind == "load":
            loads[values["label"]] = values
    return runs, loads


def number(text):
    return None if text == "-" else float(text)


def spread(values):
    """One value when all runs agree, else the range."""
    values = sorted(set(values))
    return str(values[0]) if len(values) == 1 else f"{values[0]}-{values[-1]}"


def median_of(runs, key):
    values = [number(r[key]) for r in runs if number(r[key]) is not None]
    return statistics.median(values) if values else None


def main():
    runs, loads = read(sys.argv[1])
    rounds, p1_runs = sys.argv[2], sys.argv[3]
    present = [w for w in WORKLOADS if any(r["w"] == w for r in runs)]
    cells = {}
    for r in runs:
        cells.setdefault((r["w"], r["tool"]), []).append(r)

    def med(w, tool):
        return median_of(cells[(w, tool)], "secs") if (w, tool) in cells else None

    print(f"Load average (1, 5, 15 min): {load(loads, 'invoked')} when invoked, "
          f"{load(loads, 'start')} when the runs began (after the build), "
          f"{load(loads, 'end')} at the end")
    print(f"Creating an empty file in the download folders: {create(loads, 'start')} us when "
          f"the runs began, {create(loads, 'end')} us at the end")
    print()

    timing = [w for w in present if w != "P1"]
    if timing:
        print(f"Wall time per run over {rounds} rounds (one unrecorded warm-up round first). "
              "Headless tools: the whole process, start-up included, timed by the shell around /usr/bin/time; "
              "the window: from the click on START to its log line, start-up not included. "
              "MiB/s from the median; peak RSS and CPU (user + system) are medians; the "
              "window's CPU and the X server's are what they used between click and log "
              "line. Connections: what nginx accepted during each run.")
        print()
        print("| Workload | Tool | Min (s) | Median (s) | Max (s) | MiB/s | Peak RSS (MiB) "
              "| CPU (s) | X server CPU (s) | Connections |")
        print("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|")
        for w in timing:
            label, total = WORKLOADS[w]
            for tool in TOOLS:
                if (w, tool) not in cells:
                    continue
                cell = cells[(w, tool)]
                secs = sorted(float(r["secs"]) for r in cell)
                median = statistics.median(secs)
                rate = total / MIB / median if median > 0 else float("inf")
                rate = f"{rate:.0f}" if rate >= 100 else f"{rate:.1f}"
                rss = median_of(cell, "rss") / 1024
                cpu = median_of(cell, "cpu") / 1000
                xcpu = median_of(cell, "xcpu")
                xcpu = f"{xcpu / 1000:.2f}" if xcpu is not None else ""
                conns = [r["conns"] for r in cell]
                shown = "" if tool == "cp" else spread(int(c) for c in conns)
                # Every peer is meant to hold one connection for the series.
                if tool != "cp" and any(c != "1" for c in conns):
                    shown += " (!)"
                print(f"| {label} | {TOOLS[tool]} | {secs[0]:.3f} | {median:.3f} | "
                      f"{secs[-1]:.3f} | {rate} | {rss:.1f} | {cpu:.2f} | {xcpu} | {shown} |")
        print()

        print("Ratios of median wall times (below 1: the first is faster):")
        print()
        print("| Workload | Seqget / curl | Seqget / wget2 | Seqget / cp (target <= 1.25) "
              "| Window / headless | Window / curl |")
        print("|---|---:|---:|---:|---:|---:|")

        def ratio(w, a, b):
            x, y = med(w, a), med(w, b)
            return f"{x / y:.2f}" if x is not None and y else ""

        for w in timing:
            print(f"| {WORKLOADS[w][0]} | {ratio(w, 'seqget', 'curl')} | "
                  f"{ratio(w, 'seqget', 'wget2')} | {ratio(w, 'seqget', 'cp')} | "
                  f"{ratio(w, 'window', 'seqget')} | {ratio(w, 'window', 'curl')} |")
        print()

    spoken = [w for w in timing
              if any(r.get("protocols", "-") != "-" for r in runs if r["w"] == w)]
    if spoken:
        print("HTTP versions spoken in each run, from the access log of nginx's HTTPS server "
              "(version: requests); one entry when every run agrees:")
        print()
        print("| Workload | Tool | HTTP version: requests per run |")
        print("|---|---|---|")
        for w in spoken:
            for tool in TOOLS:
                if (w, tool) in cells:
                    versions = sorted(set(r["protocols"] for r in cells[(w, tool)]))
                    print(f"| {WORKLOADS[w][0]} | {TOOLS[tool]} | {'; '.join(versions)} |")
        print()

    if "P1" in present:
        print(f"P1: {p1_runs} runs per tool of W1's 1000 files through tinyproxy on 127.0.0.1, "
              "four busy loops beside. Failed files: missing, differing or left over, "
              "summed over the runs. Connections: medians per run, to the proxy (its log) "
              "and from the proxy to nginx.")
        print()
        print("| Tool | Runs | Failed files | Min (s) | Median (s) | Max (s) | CPU (s) "
              "| Connections to proxy | Connections to nginx |")
        print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
        for tool in TOOLS:
            if ("P1", tool) not in cells:
                continue
            cell = cells[("P1", tool)]
            secs = sorted(float(r["secs"]) for r in cell)
            failed = sum(int(r["failed"]) for r in cell)
            print(f"| {TOOLS[tool]} | {len(cell)} | {failed} | {secs[0]:.3f} | "
                  f"{statistics.median(secs):.3f} | {secs[-1]:.3f} | "
                  f"{median_of(cell, 'cpu') / 1000:.2f} | {median_of(cell, 'clients'):.0f} | "
                  f"{median_of(cell, 'conns'):.0f} |")
        print()

    print("Per workload, the load average (1, 5, 15 min) and the time to create an empty file "
          "beside the downloads, at its start and end (tens of microseconds is normal; "
          "far more inflates every small-file figure alike):")
    print()
    print("| Workload | Load at start | Load at end | File creation at start (us) "
          "| at end (us) |")
    print("|---|---|---|---:|---:|")
    for w in present:
        print(f"| {w} | {load(loads, f'{w}-start')} | {load(loads, f'{w}-end')} | "
              f"{create(loads, f'{w}-start')} | {create(loads, f'{w}-end')} |")
    return 0


def load(loads, label):
    values = loads.get(label)
    return ", ".join(values[k] for k in ("one", "five", "fifteen")) if values else "?"


def create(loads, label):
    return loads.get(label, {}).get("create", "?")


if __name__ == "__main__":
    sys.exit(main())
