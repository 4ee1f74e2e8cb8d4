#!/usr/bin/env python3
"""The standard-day figures of a diary, worked out apart from the program.

    standard_day_figures.py DIARY START END UNIT LOW HIGH

reads table BLOOD of the diary file DIARY (SQLite) for the dates START to END
("yyyy-MM-dd", both included) and prints as JSON, for each time of day and for
all readings together, the figures the standard day shows, with UNIT
("mg/dL" or "mmol/L") and the target range LOW to HIGH. It shares no code with
the program: the reading texts are read with a regular expression, the
figures come from Python's statistics module.
"""

import json
import math
import re
import sqlite3
import statistics
import struct
import sys

KINDS = ["Bfast", "Afast", "Blunch", "Alunch", "Bdinner", "Adinner", "Bedtime", "Night"]
LEADING = re.compile(r" *([+-]?)([0-9]*)(?:\.([0-9]+))?")


def single(x):
    """x as a single-precision number, the precision a reading is read in."""
    return struct.unpack("f", struct.pack("f", x))[0]


def value_of(text):
    """The number the text begins with; 0 when it begins with none."""
    m = LEADING.match(text)
    whole, fraction = m.group(2), m.group(3)
    if not whole and not fraction:
        return 0.0
    v = float((whole or "0") + "." + (fraction or "0"))
    return single(-v if m.group(1) == "-" else v)


def figures(values, not_counted, lines):
    out = {"count": len(values), "notCounted": not_counted}
    if not values:
        return out
    data = sorted(values)
    out["mean"] = statistics.mean(data)
    if len(data) > 1:
        out["sd"] = statistics.stdev(data)
        out["cv"] = 100 * out["sd"] / out["mean"]
        cuts = statistics.quantiles(data, n=100, method="inclusive")
        out["p10"], out["p25"], out["p75"], out["p90"] = cuts[9], cuts[24], cuts[74], cuts[89]
    else:
        out["p10"] = out["p25"] = out["p75"] = out["p90"] = data[0]
    out["median"] = statistics.median(data)
    out["lowest"], out["highest"] = data[0], data[-1]
    very_low, low, high, very_high = (single(x) for x in lines)
    n = len(data)
    out["belowVeryLow"] = 100 * sum(v < very_low for v in data) / n
    out["belowLow"] = 100 * sum(v < low for v in data) / n
    out["inRange"] = 100 * sum(low <= v <= high for v in data) / n
    out["aboveHigh"] = 100 * sum(v > high for v in data) / n
    out["aboveVeryHigh"] = 100 * sum(v > very_high for v in data) / n
    return out


def main():
    path, start, end, unit, low, high = sys.argv[1:7]
    mmol = unit == "mmol/L"
    lines = (3.0 if mmol else 54.0, float(low), float(high), 13.9 if mmol else 250.0)
    db = sqlite3.connect("file:" + path + "?mode=ro", uri=True)
    rows = db.execute("SELECT " + ", ".join(KINDS) + " FROM BLOOD WHERE Bdate >= ? AND Bdate <= ? ORDER BY Bdate",
                      (start, end)).fetchall()
    samples = [([], 0) for _ in KINDS]
    for row in rows:
        for k, text in enumerate(row):
            if text == "-":
                continue
            v = value_of(text)
            values, skipped = samples[k]
            if v > 0:
                values.append(v)
            else:
                samples[k] = (values, skipped + 1)
    all_values = [v for values, _ in samples for v in values]
    result = {
        "dates": len(rows),
        "kinds": [figures(values, skipped, lines) for values, skipped in samples],
        "all": figures(all_values, sum(s for _, s in samples), lines),
        "guessedUnit": "mmol/L" if all_values and statistics.median(all_values) < 35 else "mg/dL",
    }
    if all_values:
        mean = statistics.mean(all_values)
        a1c = ((mean * 18.0 if mmol else mean) + 46.7) / 28.7
        result["a1cPercent"] = a1c
        result["a1cMmolPerMol"] = (a1c - 2.15) * 10.929
    json.dump(result, sys.stdout, allow_nan=False)


if __name__ == "__main__":
    main()
