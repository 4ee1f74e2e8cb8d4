#!/bin/sh
# Checks a desktop entry or an AppStream description with the desktop's own
# validators. Clean means: the validator accepts the file and says nothing
# about it (no error, warning or hint).
#
#   validate.sh desktop FILE
#   validate.sh appstream FILE
set -u
kind=$1
file=$2

case $kind in
desktop) tool=desktop-file-validate; package=desktop-file-utils ;;
appstream) tool=appstreamcli; package=appstream ;;
*) echo "unknown kind $kind"; exit 2 ;;
esac
if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is missing: install $package (scripts/setup.sh does)"
    exit 1
fi

if [ "$kind" = desktop ]; then
    out=$(desktop-file-validate "$file" 2>&1)
    rc=$?
    complaints=$out
else
    out=$(appstreamcli validate --no-net --pedantic "$file" 2>&1)
    rc=$?
    complaints=$(printf '%s\n' "$out" | grep -E '^[EWIP]: ')
fi
printf '%s\n' "$out"
if [ $rc -ne 0 ] || [ -n "$complaints" ]; then
    echo "FAILED: $file is not clean"
    exit 1
fi
echo "$file is clean"
