#!/usr/bin/env bash
# What a screen reader finds in the main window and the data window: starts the built program on
# a folder of synthetic draws under a virtual display with its own session bus and accessibility
# bus, and lists both windows' accessible trees as AT-SPI gives them (tools/atspi_tree.py).
# Fails when a control has no name. Usage: scripts/atspi-check.sh [build folder]
# (Debian's own python3 runs the listing: python3-pyatspi installs into it.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
program=$build/bin/quorlin
[ -x "$program" ] || { echo "build the program first: ./scripts/build.sh" >&2; exit 2; }

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
# A program folder of its own: the executable beside its side files and some draws.
cp "$program" "$folder/"
cp -r "$build/bin/附属" "$build/bin/图片" "$folder/"
"$build/tests/fill_demo" "$folder" 300 >/dev/null
export XDG_RUNTIME_DIR=$folder/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Qt speaks AT-SPI whether or not a screen reader has asked the bus for it.
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
check() {
    xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash -c '
        "$1" & pid=$!
        trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null || true" EXIT
        timeout 90 /usr/bin/python3 "$2"
    ' check "$folder/quorlin" "$root/tools/atspi_tree.py"
}
# A second try when the windows did not come up at all (exit 2): another virtual display started
# at the same moment can take the one xvfb-run picked.
status=0
check || status=$?
if [ "$status" -eq 2 ]; then
    echo "the windows did not come up; trying once more" >&2
    status=0
    check || status=$?
fi
exit "$status"
