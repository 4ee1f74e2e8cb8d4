#!/usr/bin/env python3
"""Turns the benchmark JSON into the table of medians with the ratio of the
largest diary to the smallest for every action."""
import json
import sys
from collections import defaultdict

data = json.load(open(sys.argv[1]))
med = defaultdict(dict)
handler = defaultdict(dict)
unit = {}
for b in data["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    name, days = b["run_name"].split("/")[:2]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    med[name][int(days)] = b["real_time"] * scale
    if "handler_ms" in b:
        handler[name][int(days)] = b["handler_ms"]
sizes = sorted({d for v in med.values() for d in v})
print("| Action | " + " | ".join(f"{d:,} days (ms)" for d in sizes) + " | largest / smallest |")
print("|---|" + "---:|" * (len(sizes) + 1))
for name, v in med.items():
    cells = [f"{v[d]:.3f}" if d in v else "" for d in sizes]
    ratio = v[sizes[-1]] / v[sizes[0]] if sizes[0] in v and sizes[-1] in v and v[sizes[0]] else float("nan")
    print(f"| {name[3:]} | " + " | ".join(cells) + f" | {ratio:.2f} |")

floor = med.get("BM_ReportFloorQPainter")
report = med.get("BM_ReportToPdf")
if floor and report:
    print()
    print("Report / bare QPainter floor: " + ", ".join(
        f"{d:,} days {report[d] / floor[d]:.2f}" for d in sizes if d in floor and d in report and floor[d]))

if handler:
    print()
    print("The handler's part of the chart steps, before the repaint (ms): " + "; ".join(
        f"{name[3:]} " + ", ".join(f"{v[d]:.3f}" for d in sizes if d in v) for name, v in handler.items()))
