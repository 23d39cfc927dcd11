#!/usr/bin/env python3
"""Makes every performance figure the README shows, and the chart.

    tools/figures.py           builds build/figures (-O2), measures, and
                               rewrites README.md's figures and
                               doc/performance.svg
    tools/figures.py --quick   the same with fewer repetitions, to try it out

Instruction counts come from callgrind over veldran-counts, times from
veldran-bench, the peers' from veldran-peers (libmpdec only where it was
found at build time). It needs cmake, g++, valgrind, Google Benchmark, and
for the peers GMP and Boost; it takes a few minutes on two cores.
"""

import argparse
import json
import math
import os
import platform
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "figures"
BENCH = BUILD / "bench"
README = ROOT / "README.md"
CHART = ROOT / "doc" / "performance.svg"
BEGIN = "<!-- figures: made by tools/figures.py, do not edit by hand -->"
END = "<!-- end of figures -->"

# (operation of veldran-counts, calls, what the README calls it)
COUNTS = [
    ("log", 2048, '`VELDRAN::log("Deleted fixedint object.")`, its string included'),
    ("make/8", 2048, "`fixedint(8)` made and destroyed (4 lines, one vector)"),
    ("add/8", 2048, "8-place addition, same signs (6 lines, 3 objects)"),
    ("subtract/8", 2048, "`-1234567 - 7654321` at 8 places"),
    ("less/8", 2048, "`a < b` at 8 places, digits agreeing down to the units (4 lines)"),
    ("less/512", 2048, "`a < b` at 512 places, the same"),
    ("less/4096", 1024, "`a < b` at 4096 places, the same"),
    ("text/8", 2048, "`fixedint::asstring()` at 8 places, every place significant"),
    ("text/512", 2048, "`fixedint::asstring()` at 512 places"),
    ("text/4096", 1024, "`fixedint::asstring()` at 4096 places"),
    ("multiply/64", 2048, "multiplication at 64 places, 32 x 32 digits"),
    ("multiply/512", 1024, "multiplication at 512 places, 256 x 256 digits"),
    ("multiply/4096", 64, "multiplication at 4096 places, 2048 x 2048 digits"),
    ("divide/64", 2048, "division at 64 places, 63 digits by 32"),
    ("divide/256", 1024, "division at 256 places, 255 digits by 128"),
    ("divide/512", 1024, "division at 512 places, 511 digits by 256"),
    ("floatadd/8", 2048, "`fixedfloat(8)` addition, 12.3456 + 7.891 (25 lines)"),
    ("floattext/8", 2048, "`fixedfloat::asstring()` at length 8 (79.023)"),
    ("floatsubtract/8", 2048, "`fixedfloat(8)` 12.3456 - 7.891"),
    ("floatmultiply/8", 2048, "`fixedfloat(8)` 12.3456 * 7.891"),
    ("floatdivide/8", 2048, "`fixedfloat(8)` 12.3456 / 7.891"),
    ("floatrounded/8", 2048, "`fixedfloat(8)` 12.3456 `rounded(2)`"),
    ("assignfloat/8", 512, "`fixedfloat(8) = 78.9f`"),
    ("telco", 2048, "one telco call billed (`examples/telco.h`)"),
]

# veldran-bench rows: (benchmark, label); each at the sizes it was registered with.
BENCHROWS = [
    ("BM_LogLine", "one log line"),
    ("BM_FixedintAdd", "`fixedint` add"),
    ("BM_FixedintCompare", "`fixedint` compare (`<`)"),
    ("BM_FixedintMultiply", "`fixedint` multiply (half the places significant)"),
    ("BM_FixedintDivide", "`fixedint` divide"),
    ("BM_FixedintAsstring", "`fixedint` text (all places significant)"),
    ("BM_FixedfloatAssignFloat", "`fixedfloat` = 78.9f"),
    ("BM_FixedfloatAdd", "`fixedfloat` add"),
    ("BM_FixedfloatMultiply", "`fixedfloat` multiply"),
    ("BM_FixedfloatAsstring", "`fixedfloat` text"),
    ("BM_Telco", "telco, one call billed"),
]
BENCHSIZES = ["8", "64", "512", "4096"]

PEEROPS = ["add", "multiply", "divide", "compare", "text"]
LIBRARIES = ["VELDRAN", "libmpdec", "GMP", "Boost"]
COLOURS = {"VELDRAN": "#d62728", "libmpdec": "#1f77b4", "GMP": "#2ca02c", "Boost": "#9467bd"}


def run(command, **kwargs):
    print("+", " ".join(str(c) for c in command), file=sys.stderr, flush=True)
    return subprocess.run(command, check=True, cwd=ROOT, **kwargs)


def build():
    run(["cmake", "--preset", "bench", "-B", str(BUILD), "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"],
        stdout=subprocess.DEVNULL)
    run(["cmake", "--build", str(BUILD), "-j2", "--target", "veldran-counts", "veldran-bench",
         "veldran-peers"], stdout=subprocess.DEVNULL)


def quietenv():
    env = dict(os.environ)
    env.pop("TZ", None)  # the log's clock reads the local time as the library's users have it
    return env


def count(operation, calls):
    """Instructions per call of one veldran-counts operation."""
    out = BUILD / "callgrind.figures"
    run(["valgrind", "--tool=callgrind", "--toggle-collect=veldran_counted",
         "--callgrind-out-file=" + str(out), str(BENCH / "veldran-counts"), operation, str(calls)],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=quietenv())
    total = None
    for line in out.read_text().splitlines():
        if line.startswith("totals:") or (total is None and line.startswith("summary:")):
            total = int(line.split()[1])
    out.unlink()
    return round(total / calls)


def benchmark(binary, arguments):
    """Google Benchmark's JSON output of one run."""
    result = run([str(BENCH / binary), "--benchmark_format=json"] + arguments,
                 stdout=subprocess.PIPE, env=quietenv())
    return json.loads(result.stdout)


def nanoseconds(entry):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[entry["time_unit"]]
    return entry["cpu_time"] * scale


def showtime(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("µs", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def timesofbench(quick):
    names = "|".join(name for name, _ in BENCHROWS)
    data = benchmark("veldran-bench", [
        f"--benchmark_filter=^({names})(/({'|'.join(BENCHSIZES)}))?$|^BM_FixedintAddThreads",
        f"--benchmark_repetitions={1 if quick else 3}", "--benchmark_report_aggregates_only=true",
        f"--benchmark_min_time={0.05 if quick else 0.1}"])
    times, allocations, threads = {}, {}, {}
    for entry in data["benchmarks"]:
        if entry.get("aggregate_name", "median") != "median" and not quick:
            continue
        name = entry["run_name"]
        if name.startswith("BM_FixedintAddThreads"):
            threads[entry.get("threads", 1)] = entry
            continue
        times[name] = nanoseconds(entry)
        if "allocs" in entry:
            allocations[name] = entry["allocs"]
    return times, allocations, threads, data["context"]


def timesofpeers(quick):
    data = benchmark("veldran-peers", [
        f"--benchmark_repetitions={2 if quick else 5}",
        f"--benchmark_min_time={0.01 if quick else 0.02}"])
    peers = {}
    for entry in data["benchmarks"]:
        if entry.get("aggregate_name") == "min":
            parts = [part for part in entry["run_name"].split("/")
                     if not part.startswith("repeats:")]
            peers[tuple(parts)] = nanoseconds(entry)
    return peers


# --- The chart -------------------------------------------------------------------------


def chart(peers):
    """Time per operation against places, one panel per operation, log scales."""
    width, height, left, top, plotw, ploth = 330, 260, 62, 34, 250, 180
    columns = 3
    rows = math.ceil(len(PEEROPS) / columns)
    svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{columns * width}" '
           f'height="{rows * height + 40}" font-family="sans-serif" font-size="11">',
           f'<rect width="100%" height="100%" fill="white"/>']
    places = sorted({int(key[1]) for key in peers if key[0] in PEEROPS})
    low, high = math.log10(places[0]), math.log10(places[-1])
    for index, op in enumerate(PEEROPS):
        x0, y0 = (index % columns) * width + left, (index // columns) * height + top
        values = [ns for key, ns in peers.items() if key[0] == op]
        tmin = math.floor(math.log10(min(values)))
        tmax = math.ceil(math.log10(max(values)))
        tmax = max(tmax, tmin + 1)

        def at(p, ns):
            x = x0 + (math.log10(p) - low) / (high - low) * plotw
            y = y0 + ploth - (math.log10(ns) - tmin) / (tmax - tmin) * ploth
            return x, y

        svg.append(f'<text x="{x0 + plotw / 2}" y="{y0 - 12}" text-anchor="middle" '
                   f'font-weight="bold">{op}</text>')
        svg.append(f'<rect x="{x0}" y="{y0}" width="{plotw}" height="{ploth}" fill="none" '
                   f'stroke="#888"/>')
        for decade in range(tmin, tmax + 1):
            y = y0 + ploth - (decade - tmin) / (tmax - tmin) * ploth
            svg.append(f'<line x1="{x0}" y1="{y:.1f}" x2="{x0 + plotw}" y2="{y:.1f}" '
                       f'stroke="#ddd"/>')
            svg.append(f'<text x="{x0 - 4}" y="{y + 4:.1f}" text-anchor="end">'
                       f'{showtime(10 ** decade)}</text>')
        for p in places:
            if p in (8, 64, 512, 4096, 32768):
                x, _ = at(p, 10 ** tmin)
                svg.append(f'<text x="{x:.1f}" y="{y0 + ploth + 14}" text-anchor="middle">{p}</text>')
        for library in LIBRARIES:
            points = [at(p, peers[(op, str(p), library)]) for p in places
                      if (op, str(p), library) in peers]
            if points:
                path = " ".join(f"{x:.1f},{y:.1f}" for x, y in points)
                svg.append(f'<polyline points="{path}" fill="none" stroke="{COLOURS[library]}" '
                           f'stroke-width="1.8"/>')
    legend = [library for library in LIBRARIES if any(key[2] == library for key in peers)]
    y = rows * height + 20
    for index, library in enumerate(legend):
        x = 40 + index * 150
        svg.append(f'<line x1="{x}" y1="{y}" x2="{x + 24}" y2="{y}" stroke="{COLOURS[library]}" '
                   f'stroke-width="3"/>')
        svg.append(f'<text x="{x + 30}" y="{y + 4}">{library}</text>')
    svg.append(f'<text x="{columns * width - 10}" y="{y + 4}" text-anchor="end">'
               f'CPU time per operation against places (digits), both scales logarithmic</text>')
    svg.append("</svg>")
    CHART.parent.mkdir(exist_ok=True)
    CHART.write_text("\n".join(svg) + "\n")


# --- The README's figures ----------------------------------------------------------------


def machine(context):
    model = "unknown processor"
    try:
        for line in subprocess.run(["lscpu"], capture_output=True, text=True).stdout.splitlines():
            if line.startswith("Model name:"):
                model = line.split(":", 1)[1].strip()
    except OSError:
        pass
    compiler = subprocess.run(["g++", "--version"], capture_output=True, text=True).stdout
    compiler = compiler.splitlines()[0] if compiler else "g++"
    load = " / ".join(f"{x:.1f}" for x in os.getloadavg())
    return (f"{model}, {context.get('num_cpus', '?')} cores at {context.get('mhz_per_cpu', '?')} MHz, "
            f"{platform.system()} {platform.release()}, {compiler}, -O2; load average at the "
            f"start {load}; measured {time.strftime('%Y-%m-%d', time.gmtime())}")


def countstable(counts):
    lines = ["| Call | Instructions |", "| --- | ---: |"]
    for operation, _, label in COUNTS:
        lines.append(f"| {label} | {counts[operation]:,} |")
    return lines


def benchtable(times, allocations):
    lines = ["| Operation | " + " | ".join(f"{s} places" for s in BENCHSIZES) + " | allocations |",
             "| --- |" + " ---: |" * (len(BENCHSIZES) + 1)]
    for name, label in BENCHROWS:
        cells, allocs = [], []
        for size in BENCHSIZES:
            key = f"{name}/{size}"
            cells.append(showtime(times[key]) if key in times else "")
            if key in allocations:
                allocs.append(f"{allocations[key]:.3g}")
        if name in times:  # registered without sizes
            cells = [showtime(times[name])] + [""] * (len(BENCHSIZES) - 1)
            allocs = [f"{allocations[name]:.3g}"] if name in allocations else []
        distinct = sorted(set(allocs), key=allocs.index)
        lines.append(f"| {label} | " + " | ".join(cells) + f" | {', '.join(distinct)} |")
    return lines


def peerstable(peers):
    present = [library for library in LIBRARIES if any(key[2] == library for key in peers)]
    ratio = "libmpdec" in present
    lines = ["| Operation | places | " + " | ".join(present) +
             (" | VELDRAN / libmpdec |" if ratio else " |"),
             "| --- | ---: |" + " ---: |" * (len(present) + (1 if ratio else 0))]
    places = sorted({int(key[1]) for key in peers if key[0] in PEEROPS})
    for op in PEEROPS:
        for p in places:
            row = [peers.get((op, str(p), library)) for library in present]
            if all(v is None for v in row):
                continue
            cells = [showtime(v) if v is not None else "" for v in row]
            if ratio:
                mine, theirs = peers.get((op, str(p), "VELDRAN")), peers.get((op, str(p), "libmpdec"))
                cells.append(f"{mine / theirs:.2f}x" if mine and theirs else "")
            lines.append(f"| {op} | {p} | " + " | ".join(cells) + " |")
    return lines


def telcoline(peers):
    mine = peers.get(("telco", "VELDRAN"))
    theirs = peers.get(("telco", "libmpdec"))
    if mine is None:
        return []
    text = f"The telco workload costs {showtime(mine)} per call on VELDRAN"
    if theirs is not None:
        text += f" and {showtime(theirs)} on libmpdec: {mine / theirs:.1f} times as long"
    return [text + " (the minimum of the repetitions, in the same run)."]


def threadsline(threads):
    if 1 not in threads or 2 not in threads:
        return []
    one = threads[1].get("items_per_second") or 1e9 / nanoseconds(threads[1])
    two = threads[2].get("items_per_second") or 2e9 / nanoseconds(threads[2])
    return [f"`BM_FixedintAddThreads`: {one / 1e6:.1f} million 8-place additions a second on one "
            f"thread, {two / 1e6:.1f} million on two together ({two / one:.0%} of one thread's)."]


def readme(counts, times, allocations, threads, peers, context):
    block = [BEGIN, "",
             f"Machine: {machine(context)}.", "",
             "Instructions per call (callgrind):", ""] + countstable(counts) + [
             "", "CPU time per operation (`veldran-bench`, median of three repetitions) and heap "
             "allocations per operation:", ""] + benchtable(times, allocations) + [""] + \
        threadsline(threads) + ["",
             "Beside the peers (`veldran-peers`, CPU time, minimum of the repetitions, one run):",
             ""] + peerstable(peers) + [""] + telcoline(peers) + [
             "", "![Time per operation against places](doc/performance.svg)", "", END]
    text = README.read_text()
    start, stop = text.index(BEGIN), text.index(END) + len(END)
    README.write_text(text[:start] + "\n".join(block) + text[stop:])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="fewer repetitions, to try it out")
    parser.add_argument("--no-build", action="store_true", help="use build/figures as it is")
    options = parser.parse_args()
    if not options.no_build:
        build()
    counts = {operation: count(operation, calls) for operation, calls, _ in COUNTS}
    times, allocations, threads, context = timesofbench(options.quick)
    peers = timesofpeers(options.quick) if (BENCH / "veldran-peers").exists() else {}
    if peers:
        chart(peers)
    readme(counts, times, allocations, threads, peers, context)
    for operation, _, _ in COUNTS:
        print(f"{operation:16} {counts[operation]:>10,}")


if __name__ == "__main__":
    main()
