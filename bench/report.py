#!/usr/bin/env python3
"""Turns the JSON output of the benchmark programs into docs/performance.md.

Streaming benchmarks are named "<routine>/<kind>/<block size>"; their median
CPU time per call divided by the block size gives nanoseconds per sample.
"""
import argparse
import datetime
import json
import os
import platform
import re

STREAM = re.compile(r"^(?P<routine>.+)/(?P<kind>plugin|bare|memcpy|x86-64|avx2)/(?P<block>\d+)$")
UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
BLOCKS = [16, 64, 256, 1024]
OVERHEAD_LIMIT = 1.10
SIMD_SPEEDUP = 1.8
LINEAR_TO_MEMCPY = 3.0
CURVE_TO_LINEAR = 1.5
REMAP_RATE = 10e6
CHAIN_FACTOR = 1000.0


def medians(paths):
    """run name -> the median entry (or the only entry) of each benchmark."""
    runs = {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for entry in data.get("benchmarks", []):
            if entry.get("error_occurred"):
                runs[entry.get("run_name", entry["name"])] = {"error": entry.get("error_message")}
                continue
            aggregate = entry.get("aggregate_name")
            if aggregate not in (None, "median"):
                continue
            runs[entry.get("run_name", entry["name"])] = entry
    return runs


def cpu_ns(entry):
    return entry["cpu_time"] * UNIT_NS[entry.get("time_unit", "ns")]


def machine():
    model = "unknown"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    flags = ""
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("flags"):
                    have = line.split(":", 1)[1].split()
                    flags = ", ".join(x for x in ("sse2", "avx2", "avx512f") if x in have)
                    break
    except OSError:
        pass
    return model, flags


def fmt(x, digits=3):
    if x is None:
        return "–"
    return f"{x:.{digits}f}"


def verdict(ok):
    if ok is None:
        return "not measured"
    return "met" if ok else "**missed**"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--command", default="bench/run")
    parser.add_argument("--compiler", default="")
    parser.add_argument("results", nargs="+")
    args = parser.parse_args()
    runs = medians(args.results)

    stream = {}  # routine -> kind -> block -> ns per sample
    order = []
    for name, entry in runs.items():
        m = STREAM.match(name)
        if not m or "error" in entry:
            continue
        routine, kind, block = m["routine"], m["kind"], int(m["block"])
        if routine not in stream:
            stream[routine] = {}
            order.append(routine)
        stream[routine].setdefault(kind, {})[block] = cpu_ns(entry) / block

    def ns(routine, kind, block):
        return stream.get(routine, {}).get(kind, {}).get(block)

    def ratio(a, b):
        return a / b if a is not None and b else None

    out = []
    w = out.append
    model, flags = machine()
    w("# Performance")
    w("")
    w("Written by `bench/run`; every figure comes from one run of the suite.")
    w("")
    w("## Machine and run")
    w("")
    w(f"- Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC")
    w(f"- Processor: {model} ({os.cpu_count()} logical cores; {flags})")
    w(f"- System: {platform.system()} {platform.release()} {platform.machine()}")
    w(f"- Compiler: {args.compiler} (release build, `-O3`)")
    load = os.getloadavg() if hasattr(os, "getloadavg") else None
    if load:
        w(f"- Load average at the end of the run: {load[0]:.2f}, {load[1]:.2f}, {load[2]:.2f}")
    w(f"- Command: `{args.command}`")
    w("- Figures are medians of the repetitions, in CPU time. Ratios compare figures of")
    w("  the same run. *plugin*: the routine through the record's `process` entry, as")
    w("  the host calls it; *bare*: the same arithmetic in a plain loop over plain")
    w("  arrays, same compiler flags (no framework); *memcpy*: a copy of the bytes the")
    w("  routine reads and writes (the memory baseline).")
    w("")

    targets = []

    w("## Streaming routines, ns per sample")
    w("")
    w("| routine | block | plugin | bare | memcpy | plugin / bare | plugin / memcpy |")
    w("|---|---:|---:|---:|---:|---:|---:|")
    for routine in order:
        if "plugin" not in stream[routine]:
            continue
        worst = None
        for block in BLOCKS:
            p, b, c = ns(routine, "plugin", block), ns(routine, "bare", block), ns(routine, "memcpy", block)
            r = ratio(p, b)
            if block >= 64 and r is not None:
                worst = r if worst is None else max(worst, r)
            w(f"| {routine} | {block} | {fmt(p)} | {fmt(b)} | {fmt(c)} | {fmt(r, 2)} | {fmt(ratio(p, c), 1)} |")
        targets.append((f"{routine}: framework within {OVERHEAD_LIMIT:.2f}× of bare at block ≥ 64",
                        f"worst {fmt(worst, 2)}×", None if worst is None else worst <= OVERHEAD_LIMIT))
    w("")

    w("## Products by instruction set, ns per sample")
    w("")
    w("*x86-64* and *avx2*: the bare loop built for that instruction set only; *plugin*:")
    w("the plug-in, which runs the widest build the processor has.")
    w("")
    w("| routine | block | x86-64 | avx2 | plugin | x86-64 / avx2 | x86-64 / plugin |")
    w("|---|---:|---:|---:|---:|---:|---:|")
    for routine in ("math_pow2", "math_pow3"):
        for block in BLOCKS:
            base, avx2, p = ns(routine, "x86-64", block), ns(routine, "avx2", block), ns(routine, "plugin", block)
            w(f"| {routine} | {block} | {fmt(base)} | {fmt(avx2)} | {fmt(p)} | {fmt(ratio(base, avx2), 2)} | {fmt(ratio(base, p), 2)} |")
        speedups = [ratio(ns(routine, "x86-64", b), ns(routine, "avx2", b)) for b in (64, 256, 1024)]
        speedups = [s for s in speedups if s is not None]
        low = min(speedups) if speedups else None
        targets.append((f"{routine}: AVX2 at least {SIMD_SPEEDUP}× the x86-64 loop (block ≥ 64)",
                        f"lowest {fmt(low, 2)}×", None if low is None else low >= SIMD_SPEEDUP))
    w("")

    linear = ns("envelope_segment Linear", "plugin", 256)
    memcpy9 = ns("envelope_segment Linear", "memcpy", 256)
    r = ratio(linear, memcpy9)
    targets.append((f"envelope_segment Linear within {LINEAR_TO_MEMCPY}× of the memcpy of its nine buffers (block 256)",
                    f"{fmt(r, 2)}×", None if r is None else r <= LINEAR_TO_MEMCPY))
    for curve in ("Exp", "Log", "S-curve"):
        r = ratio(ns(f"envelope_segment {curve}", "plugin", 256), linear)
        targets.append((f"envelope_segment {curve} within {CURVE_TO_LINEAR}× of Linear (block 256)",
                        f"{fmt(r, 2)}×", None if r is None else r <= CURVE_TO_LINEAR))

    w("## midi_bender remapper")
    w("")
    w("| case | messages per second |")
    w("|---|---:|")
    ten = None
    for name, entry in runs.items():
        if not name.startswith("remapper/"):
            continue
        rate = entry.get("items_per_second")
        if "10 rules" in name:
            ten = rate
        w(f"| {name.split('/', 1)[1]} | {rate / 1e6:.2f} M |" if rate else f"| {name} | error |")
    targets.append((f"remapper at 10 rules: at least {REMAP_RATE / 1e6:.0f} M messages per second",
                    f"{fmt(ten / 1e6 if ten else None, 1)} M", None if ten is None else ten >= REMAP_RATE))
    w("")

    w("## Host")
    w("")
    for name, entry in runs.items():
        if name.startswith("host/") and "error" not in entry:
            per_block = cpu_ns(entry)
            count = entry.get("instances", 1000)
            w(f"- {name.split('/', 1)[1]}: {per_block / 1e3:.2f} µs per block "
              f"({per_block / count:.1f} ns per instance; no process calls are made)")
        elif name.startswith("host/"):
            w(f"- {name}: error: {entry['error']}")
    w("")
    w("| example patch | real-time factor |")
    w("|---|---:|")
    chain = None
    for name, entry in runs.items():
        if not name.startswith("render/"):
            continue
        patch = name.split("/")[1]
        factor = entry.get("realtime_factor")
        if patch == "envelope_chain":
            chain = factor
        w(f"| {patch} | {factor:.0f}× |" if factor else f"| {patch} | error |")
    w("")
    w("The real-time factor is seconds of audio rendered per second of wall-clock time,")
    w("for the render itself (loading plug-ins and writing files excluded).")
    w("")
    targets.append((f"envelope_chain renders at least {CHAIN_FACTOR:.0f}× faster than real time",
                    f"{fmt(chain, 0)}×", None if chain is None else chain >= CHAIN_FACTOR))

    w("## Targets")
    w("")
    w("| target | measured | |")
    w("|---|---:|---|")
    for text, measured, ok in targets:
        w(f"| {text} | {measured} | {verdict(ok)} |")
    w("")
    w("Bit-identical results of the vectorised products are checked by the test")
    w("suite (`Products/EachProduct.*`), not here.")
    print("\n".join(out))


if __name__ == "__main__":
    main()
