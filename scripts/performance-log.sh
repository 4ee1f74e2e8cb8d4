#!/usr/bin/env bash
# Writes the figures of one benchmark run into the performance log: every
# block of the log between a line "<!-- bench.sh: NAME -->" and the next
# "<!-- bench.sh: end -->" is replaced by what the run wrote for NAME:
#   run                the line saying when, at which commit and with how many
#                      rounds the tables were measured;
#   actions.md, actions-memory.md, meter.md
#                      the tables of that file of the results folder (its lines
#                      from the first table on);
#   startup.txt        the start-up and memory figures as a table.
# A block whose results file is missing keeps what it held, with a warning.
# The words around the blocks are written by hand.
#
#   performance-log.sh RESULTS_FOLDER LOG ROUNDS
set -euo pipefail
results=$1
log=$2
rounds=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run
source=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$source" log -1 --format=%s 2>/dev/null || echo "unknown")
changed=""
if ! git -C "$source" diff --quiet HEAD -- . ":(exclude)docs/PERFORMANCE.md" 2>/dev/null; then
    changed=" and changes not yet committed"
fi
printf 'Every table below is from one run of `bash scripts/bench.sh` (%s rounds) on %s,\nat commit "%s"%s, as it wrote them.\n' \
    "$rounds" "$(date +%Y-%m-%d)" "$commit" "$changed" >"$work/run"

# The tables of a markdown results file: its lines from the first table row on.
for name in actions.md actions-memory.md meter.md; do
    [ -f "$results/$name" ] && sed -n '/^|/,$p' "$results/$name" >"$work/$name"
done

# startup.txt: "NAME MEDIAN MIN MAX" lines and "first paint / its floor: R (medians)".
if [ -f "$results/startup.txt" ]; then
    awk '
        $1 ~ /_(ms|mb)$/ && NF == 4 { v[$1] = $3 " / " $2 " / " $4 }
        /^first paint \/ its floor:/ { ratio = $6 }
        function row(key, label) { if (key in v) print "| " label " | " v[key] " |" }
        END {
            print "| figure | min / median / max |"
            print "|---|---:|"
            row("first_paint_ms", "First paint of the main window (ms)")
            row("first_paint_floor_ms", "Floor: bare main window, MDI area, four menus (ms)")
            if (ratio != "") print "| Ratio of the first paint'"'"'s medians | " ratio " |"
            row("browser_latest_ms", "Browser on 2099-12-31 of the largest diary (ms)")
            row("idle_rss_mb", "Peak RSS, idle with the largest diary open (MB)")
            row("print_ms", "Printing the whole largest report, as a process (ms)")
            row("print_rss_mb", "Peak RSS while printing it (MB)")
        }' "$results/startup.txt" >"$work/startup.txt"
fi

for name in run actions.md actions-memory.md startup.txt meter.md; do
    grep -qx "<!-- bench.sh: $name -->" "$log" || echo "warning: $log has no block for $name" >&2
    [ -f "$work/$name" ] || echo "warning: no $name in $results; its block in $log stays as it was" >&2
done

awk -v work="$work" '
    /^<!-- bench.sh: end -->$/ { print; skipping = 0; next }
    /^<!-- bench.sh: [^ ]+ -->$/ {
        print
        name = substr($0, 16, length($0) - 19)
        file = work "/" name
        if ((getline line < file) > 0) {
            print line
            while ((getline line < file) > 0) print line
            close(file)
            skipping = 1
        }
        next
    }
    !skipping { print }
' "$log" >"$work/log"
cat "$work/log" >"$log"
echo "wrote $log"
