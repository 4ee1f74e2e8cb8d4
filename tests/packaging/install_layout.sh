#!/bin/sh
# Installs the build into a fresh prefix and checks that every file lands in
# its freedesktop place, that the menu entry, the AppStream description and
# the icon name each other, and that the installed copies are clean.
#
#   install_layout.sh BUILD_FOLDER VALIDATE_SCRIPT
set -eu
build=$1
validate=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

id=org.levelbook.levelbook
fail=0
need() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing: $1"
        fail=1
    fi
}
need bin/levelbook
need share/applications/$id.desktop
need share/metainfo/$id.metainfo.xml
need share/icons/hicolor/scalable/apps/$id.svg
for size in 16 32 48 64 128 256; do
    need share/icons/hicolor/${size}x${size}/apps/$id.png
done
need share/doc/levelbook/README.md
# The user's guide comes with every picture it shows, and without the
# documents for developers and the logs, which stay in the source.
doc=share/doc/levelbook
if [ -e "$prefix/$doc/README.md" ]; then
    for picture in $(grep -o '](docs/[^)]*\.png)' "$prefix/$doc/README.md" | sed 's/^](//; s/)$//'); do
        need "$doc/$picture"
    done
fi
for log in $(cd "$prefix/$doc" 2>/dev/null && find . -name '*.md' ! -path ./README.md); do
    echo "installed, but meant for the source only: $doc/${log#./}"
    fail=1
done
[ -x "$prefix/bin/levelbook" ] || { echo "bin/levelbook is not executable"; fail=1; }
# The help file is installed whenever the build made one.
if [ -e "$build/bin/levelbook11.chm" ]; then
    need share/levelbook/levelbook11.chm
fi

desktop=$prefix/share/applications/$id.desktop
grep -qx "Exec=levelbook" "$desktop" || { echo "the menu entry does not start levelbook"; fail=1; }
grep -qx "Icon=$id" "$desktop" || { echo "the menu entry does not name the icon $id"; fail=1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" ||
    { echo "the AppStream description does not launch $id.desktop"; fail=1; }
grep -q "<id>$id</id>" "$prefix/share/metainfo/$id.metainfo.xml" ||
    { echo "the AppStream description is not $id"; fail=1; }

sh "$validate" desktop "$desktop" || fail=1
sh "$validate" appstream "$prefix/share/metainfo/$id.metainfo.xml" || fail=1

[ $fail -eq 0 ] && echo "installed layout is complete"
exit $fail
