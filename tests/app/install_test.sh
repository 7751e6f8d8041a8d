#!/usr/bin/env bash
# Installs the build into a scratch folder (through DESTDIR, so nothing outside it is touched)
# and checks that the desktop's menu gets an entry that starts the installed program in its own
# folder, with our icon beside it.
set -euo pipefail
cmake=$1
build=$2
entry_dir=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=/opt/Quorlin试装
DESTDIR=$root "$cmake" --install "$build" --prefix "$prefix" > /dev/null

entry=$root$entry_dir/quorlin.desktop
test -f "$entry" || { echo "no desktop entry at $entry"; exit 1; }
expect() {
    grep -qxF "$1" "$entry" || { echo "desktop entry lacks: $1"; cat "$entry"; exit 1; }
}
expect "[Desktop Entry]"
expect "Type=Application"
expect "Name=Quorlin"
expect "Exec=\"$prefix/quorlin\""
expect "Path=$prefix"
expect "Icon=$prefix/quorlin.png"
test -x "$root$prefix/quorlin" || { echo "the program is not installed"; exit 1; }
test -s "$root$prefix/quorlin.png" || { echo "the icon is not installed"; exit 1; }
[ "$(head -c 4 "$root$prefix/quorlin.png" | tail -c 3)" = PNG ] || { echo "the icon is not a PNG"; exit 1; }
echo "desktop entry and icon installed"
