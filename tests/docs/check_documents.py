#!/usr/bin/env python3
"""Checks the documents of the source tree.

  check_documents.py SOURCE_FOLDER

- Every link and picture in README.md and docs/*.md that leads into the tree
  names a file that is there, and a "#part" of a document names one of its
  headings: a section moved from one document to another leaves no link
  behind.
- The user's guide gives the two commands, and the one CI runs (.ci/run) is
  among them.
- scripts/performance-log.sh writes a benchmark run into the marked blocks of
  docs/PERFORMANCE.md and nothing else: every block it knows is there and
  closed, each is replaced by its results, a block without results keeps what
  it held, and the hand-written text around them stays as it was.
"""

import pathlib
import re
import subprocess
import sys
import tempfile

source = pathlib.Path(sys.argv[1]).resolve()
failures = []


def fail(text):
    failures.append(text)


def slug(heading):
    """The anchor a heading gets: lower case, punctuation dropped, blanks to '-'."""
    text = re.sub(r"[`*_]", "", heading.strip().lower())
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    text = re.sub(r"```.*?```", "", path.read_text(encoding="utf-8"), flags=re.S)
    return {slug(m.group(1)) for m in re.finditer(r"^#+ (.*)$", text, re.M)}


# ------------------------------------------------------------------ links
documents = [source / "README.md"] + sorted((source / "docs").glob("*.md"))
for doc in documents:
    text = re.sub(r"```.*?```", "", doc.read_text(encoding="utf-8"), flags=re.S)
    text = re.sub(r"`[^`\n]*`", "", text)
    for target in re.findall(r"\]\(([^)\s]+)\)", text):
        if re.match(r"[a-z]+:", target):
            continue  # a web address or mail, not part of the tree
        path, _, part = target.partition("#")
        file = (doc.parent / path).resolve() if path else doc
        where = f"{doc.relative_to(source)}: ({target})"
        if not file.exists():
            fail(f"{where} leads to no file")
        elif part and file.suffix == ".md" and part not in anchors(file):
            fail(f"{where}: {file.name} has no heading '{part}'")

# ------------------------------------------------------- the two commands
readme = (source / "README.md").read_text(encoding="utf-8")
commands = re.search(r"^## The two commands\n(.*?)^## ", readme, re.S | re.M)
if not commands:
    fail("README.md: no section 'The two commands'")
else:
    for command in ("bash scripts/run.sh", "bash scripts/test.sh"):
        if command not in commands.group(1):
            fail(f"README.md: 'The two commands' does not give {command}")
    ci = (source / ".ci" / "run").read_text(encoding="utf-8")
    run = re.search(r"^exec (bash scripts/\S+)", ci, re.M)
    if not run or run.group(1) not in commands.group(1):
        fail(".ci/run runs a command that 'The two commands' of README.md does not give")

# ------------------------------------------------------- performance log
log_text = (source / "docs" / "PERFORMANCE.md").read_text(encoding="utf-8")
known = ["run", "actions.md", "actions-memory.md", "startup.txt", "meter.md"]
marks = re.findall(r"^<!-- bench.sh: (\S+) -->$", log_text, re.M)
opened = [m for m in marks if m != "end"]
if sorted(opened) != sorted(known):
    fail(f"docs/PERFORMANCE.md: blocks {opened}, the benchmark script writes {known}")
if marks != [m for name in opened for m in (name, "end")]:
    fail(f"docs/PERFORMANCE.md: blocks not each closed once: {marks}")


def blocks(text):
    return dict(re.findall(r"^<!-- bench.sh: (\S+) -->\n(.*?)^<!-- bench.sh: end -->$", text, re.S | re.M))


def outside(text):
    return re.sub(r"^(<!-- bench.sh: \S+ -->\n).*?^(<!-- bench.sh: end -->)$", r"\1\2", text, flags=re.S | re.M)


with tempfile.TemporaryDirectory() as work:
    work = pathlib.Path(work)
    results = work / "results"
    results.mkdir()
    table = "| action | 100 dates |\n|---|---:|\n| Next | 0.1 / 0.2 / 0.3 |\n"
    (results / "actions.md").write_text(table + "\n| action | dates |\n|---|---:|\n| Add | 100 |\n")
    (results / "meter.md").write_text("A sensor export of 365 days.\n\n| figure | min / median / max |\n|---|---:|\n"
                                      "| Read (ms) | 1.0 / 2.0 / 3.0 |\n")
    (results / "startup.txt").write_text(
        "figure                   median        min        max  (3 start-up runs)\n"
        "browser_latest_ms          36.0       34.2       50.3\n"
        "first_paint_floor_ms       24.3       22.4       34.1\n"
        "first_paint_ms             26.7       24.9       37.6\n"
        "idle_rss_mb                34.9       34.8       35.0\n"
        "print_ms                 2527.1     2074.4     3002.4\n"
        "print_rss_mb               41.8       41.6       42.1\n"
        "first paint / its floor: 1.10 (medians)\n")
    # No actions-memory.md: a run on a machine without /dev/shm.
    log = work / "PERFORMANCE.md"
    log.write_text(log_text, encoding="utf-8")
    done = subprocess.run(["bash", str(source / "scripts" / "performance-log.sh"), str(results), str(log), "3"],
                          capture_output=True, text=True)
    if done.returncode != 0:
        fail(f"performance-log.sh failed: {done.stderr}")
    else:
        new = log.read_text(encoding="utf-8")
        before, after = blocks(log_text), blocks(new)
        expected = {
            "actions.md": (results / "actions.md").read_text(),
            "meter.md": "| figure | min / median / max |\n|---|---:|\n| Read (ms) | 1.0 / 2.0 / 3.0 |\n",
            "startup.txt": "| figure | min / median / max |\n|---|---:|\n"
                           "| First paint of the main window (ms) | 24.9 / 26.7 / 37.6 |\n"
                           "| Floor: bare main window, MDI area, four menus (ms) | 22.4 / 24.3 / 34.1 |\n"
                           "| Ratio of the first paint's medians | 1.10 |\n"
                           "| Browser on 2099-12-31 of the largest diary (ms) | 34.2 / 36.0 / 50.3 |\n"
                           "| Peak RSS, idle with the largest diary open (MB) | 34.8 / 34.9 / 35.0 |\n"
                           "| Printing the whole largest report, as a process (ms) | 2074.4 / 2527.1 / 3002.4 |\n"
                           "| Peak RSS while printing it (MB) | 41.6 / 41.8 / 42.1 |\n",
            "actions-memory.md": before.get("actions-memory.md"),
        }
        for name, want in expected.items():
            if after.get(name) != want:
                fail(f"performance-log.sh: block {name} is\n{after.get(name)}\nnot\n{want}")
        if not re.fullmatch(r"Every table below is from one run of `bash scripts/bench.sh` \(3 rounds\) on "
                            r"\d{4}-\d\d-\d\d,\nat commit \".*\".*, as it wrote them\.\n", after.get("run", "")):
            fail(f"performance-log.sh: the run block is {after.get('run')!r}")
        if outside(new) != outside(log_text):
            fail("performance-log.sh changed the text outside its blocks")
        if "actions-memory.md" not in done.stderr:
            fail("performance-log.sh did not warn of the missing actions-memory.md")

for text in failures:
    print(text)
print("documents:", "FAILED" if failures else "all links lead somewhere; the log writer keeps to its blocks")
sys.exit(1 if failures else 0)
