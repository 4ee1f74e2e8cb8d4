#!/usr/bin/env bash
# Makes the Debian package and tries it on this machine: installs it, checks
# that its files are in place and clean, starts the installed program for a
# fresh ordinary user on a private X server, opens a diary kept in that
# user's data folder from the keyboard, asks the program to end, and removes
# the package and the user again. Needs root (it installs a package).
#
#   scripts/check-package.sh [build-folder]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$build"
fi
# shellcheck source=scripts/xsession.sh
source "$here/scripts/xsession.sh"

if dpkg-query -W -f='${Status}' levelbook 2>/dev/null | grep -q "install ok installed"; then
    echo "levelbook is installed on this machine already; remove it first" >&2
    exit 1
fi

echo "== making the package"
(cd "$build" && cpack >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls -t "$build"/levelbook_*.deb | head -n 1)
dpkg-deb -f "$deb" Package Version Depends Recommends

user=lbcheck$$
program_pid=
work=$(mktemp -d)
cleanup() {
    set +e
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    stop_x
    id "$user" >/dev/null 2>&1 && userdel -r "$user" 2>/dev/null
    if dpkg-query -W -f='${Status}' levelbook 2>/dev/null | grep -q "install ok installed"; then
        echo "== removing the package"
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq levelbook >"$work/apt.log" 2>&1 || cat "$work/apt.log"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
dpkg-query -W -f='${Status}' levelbook 2>/dev/null | grep -q "install ok installed" || { echo "FAILED: not installed"; exit 1; }
fail=0
check() {
    if "$@"; then echo "ok: ${CHECK_TEXT}"; else echo "FAILED: ${CHECK_TEXT}"; fail=1; fi
}
id=org.levelbook.levelbook
CHECK_TEXT="the program is on the path as /usr/bin/levelbook" check test "$(command -v levelbook)" = /usr/bin/levelbook
CHECK_TEXT="the menu entry is clean" check sh "$here/tests/packaging/validate.sh" desktop /usr/share/applications/$id.desktop
CHECK_TEXT="the AppStream description is clean" \
    check sh "$here/tests/packaging/validate.sh" appstream /usr/share/metainfo/$id.metainfo.xml
CHECK_TEXT="the icon is in the hicolor theme" check test -f /usr/share/icons/hicolor/scalable/apps/$id.svg

echo "== starting the installed program as the fresh user $user"
useradd -m -s /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
uid=$(id -u "$user")
gid=$(id -g "$user")
data="$home/.local/share/Levelbook"
mkdir -p "$data" "$work/runtime"
"$here/scripts/sample-diary.sh" "$data/Ann Smith.bcl" 60
chown -R "$uid:$gid" "$home/.local" "$work/runtime"
chmod 700 "$work/runtime"
chmod 755 "$work"

start_x 1024x768
setpriv --reuid="$uid" --regid="$gid" --init-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$work/runtime" \
    levelbook >"$work/out" 2>"$work/err" &
program_pid=$!
frame=$(frame_window) || { echo "FAILED: no main window"; cat "$work/err"; exit 1; }
echo "ok: the main window is up"
# "Open An Existing Database", then Enter on the first diary listed.
keys "$frame" Tab Return Return
sleep 1
shot "$build/package-check.png"
CHECK_TEXT="no message came up" check test "$(windows_of "$program_pid")" -eq 1
# The browser is wider than the start-up choice and the open window: left of
# them its light face shows where they leave the black frame.
CHECK_TEXT="the diary is open in the browser" check test "$(lightness "$build/package-check.png" 340 300)" -gt 150
CHECK_TEXT="the diary stayed in the user's data folder" check test -f "$data/Ann Smith.bcl"
CHECK_TEXT="nothing was written beside the program" check test -z "$(ls /usr/bin | grep -i '\.bcl$' || true)"

kill -TERM "$program_pid"
status=0
wait "$program_pid" || status=$?
program_pid=
CHECK_TEXT="the program ended with status 0 when asked to" check test "$status" -eq 0
CHECK_TEXT="the program printed nothing" check test ! -s "$work/out" -a ! -s "$work/err"
[ -s "$work/err" ] && cat "$work/err"

echo "(the screen after opening the diary: $build/package-check.png)"
[ $fail -eq 0 ] && echo "== the package works" || echo "== the package has faults"
exit $fail
