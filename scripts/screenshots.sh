#!/usr/bin/env bash
# Takes the screenshots the README shows, of the real program on a private X
# server, driven from the keyboard as a user would: the browser with a diary
# open, adding a day, the listing, a chart, the report request, and the first
# page of a printed report (printed to a PDF file, never to a real printer).
#
#   scripts/screenshots.sh [build-folder]
#
# Writes docs/*.png. A window that is not part of the build yet is skipped
# with a note, so the script can be run again as windows arrive.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=$here/docs
program=$build/bin/levelbook
if [ ! -x "$program" ]; then
    echo "No program at $program: build it first (scripts/setup.sh)" >&2
    exit 1
fi
for tool in Xvfb xdotool import convert compare sqlite3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 1; }
done
# shellcheck source=scripts/xsession.sh
source "$here/scripts/xsession.sh"

work=$(mktemp -d)
pid=
cleanup() {
    set +e
    stop_program
    stop_x
    rm -rf "$work"
}
trap cleanup EXIT

# A fresh program folder with the program, its help file and one diary.
mkdir -p "$work/home/Levelbook" "$work/runtime" "$out"
chmod 700 "$work/runtime"
folder=$work/home/Levelbook
cp "$program" "$folder/"
[ -f "$build/bin/levelbook11.chm" ] && cp "$build/bin/levelbook11.chm" "$folder/"
"$here/scripts/sample-diary.sh" "$folder/Ann Smith.bcl" 60

start_x 1024x700

start_program() {
    # US English dates; no printer but "print to a PDF file" (the CUPS server
    # named here does not exist), so nothing ever reaches a real printer.
    env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" DISPLAY="$DISPLAY" \
        LANG=en_US.UTF-8 CUPS_SERVER="$work/no-cups-here" "$folder/levelbook" >>"$work/program.log" 2>&1 &
    pid=$!
    frame=$(frame_window) || { echo "The program did not come up:" >&2; cat "$work/program.log" >&2; exit 1; }
    sleep 0.5
}

stop_program() {
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        pid=
    fi
}

# "Open An Existing Database", then Enter on Ann Smith.
open_diary() {
    keys "$frame" Tab Return Return
    sleep 0.8
}

# Presses the keys and tells whether the screen changed a good deal: a window
# opened, rather than nothing happening.
opens_window() {
    shot "$work/before.png"
    keys "$frame" "$@"
    sleep 1
    shot "$work/after.png"
    local differing
    differing=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)
    [ "${differing%%.*}" -gt 20000 ] 2>/dev/null
}

# Saves the screen as docs/NAME.png, with few colours to stay small.
save() {
    shot "$work/$1.png"
    convert "$work/$1.png" +dither -colors 96 -define png:compression-level=9 "$out/$1.png"
    echo "docs/$1.png"
}

skipped() {
    echo "skipped $1: $2"
    rm -f "$out/$1.png"
}

# The browser with a diary open.
start_program
open_diary
save browser
stop_program

# Adding a day: "Add New Date/Rds." has the keyboard when the browser opens.
start_program
open_diary
if opens_window Return; then
    # The picker has the keyboard; the readings follow in tab order.
    KEY_PAUSE=0.15 keys "$frame" Tab 1 1 2 Tab 1 6 4 Tab 9 8 Tab 1 4 1
    sleep 0.5
    save add-day
else
    skipped add-day "the add window is not part of the build yet"
fi
stop_program

# The listing and a chart, from the first stored date ("<<" is the eighth
# stop of the browser's tab order, "Print To Screen" the fifth).
start_program
open_diary
keys "$frame" Tab Tab Tab Tab Tab Tab Tab Return shift+Tab shift+Tab shift+Tab
if opens_window Return; then
    save listing
else
    skipped listing "the listing is not part of the build yet"
fi
stop_program

start_program
open_diary
keys "$frame" Tab Tab Tab Tab Tab Tab Tab Return
if opens_window alt+g p; then
    save chart
else
    skipped chart "the chart windows are not part of the build yet"
fi
stop_program

# The report request ("Print Report" is the sixth stop), set to the last
# month: the start date's first part, the month, one down.
start_program
open_diary
keys "$frame" Tab Tab Tab Tab Tab
if opens_window Return; then
    keys "$frame" Down
    save report-request
    # Print, two stops back from the start date (Tab wraps round the
    # window); the print dialog comes up as a window of its own, and Enter
    # takes its choice: a PDF file in the home folder.
    touch "$work/printing"
    KEY_PAUSE=0.3 keys "$frame" shift+Tab shift+Tab Return
    dialog=
    for ((i = 0; i < 50; i++)); do
        dialog=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$frame" | head -n 1 || true)
        [ -n "$dialog" ] && break
        sleep 0.2
    done
    if [ -n "$dialog" ]; then
        keys "$dialog" Return
        pdf=
        for ((i = 0; i < 100; i++)); do
            pdf=$(find "$work/home" -name '*.pdf' -newer "$work/printing" -size +1k 2>/dev/null | head -n 1)
            [ -n "$pdf" ] && break
            sleep 0.2
        done
        if [ -n "$pdf" ]; then
            sleep 1
            pdftoppm -png -r 70 -f 1 -l 1 "$pdf" "$work/page"
            convert "$work"/page*.png -bordercolor '#808080' -border 1 +dither -colors 32 \
                -define png:compression-level=9 "$out/report-page.png"
            echo "docs/report-page.png"
        else
            skipped report-page "no PDF file came out of the print dialog"
        fi
    else
        skipped report-page "no print dialog came up"
    fi
else
    skipped report-request "the report request is not part of the build yet"
    skipped report-page "the report request is not part of the build yet"
fi
stop_program

du -ch "$out"/*.png | tail -n 1
