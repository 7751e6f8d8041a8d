#!/usr/bin/env bash
# Starts the real program on a fresh program folder under a virtual display and checks that the
# main window comes up and the draw database is created beside the executable.
set -euo pipefail
executable=$1
folder=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$folder"' EXIT
# A fresh program folder: the executable and its side files, no database yet.
cp "$executable" "$folder/"
cp -r "$(dirname "$executable")/附属" "$(dirname "$executable")/图片" "$folder/"

# The program is to show real windows on the virtual display, whatever platform the calling
# environment chose for its own tests (offscreen windows never reach the X server).
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$folder/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 800x700x24" bash -c '
    "$1/quorlin" & pid=$!
    for _ in $(seq 1 150); do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"Quorlin\""; then
            kill $pid; wait $pid 2>/dev/null; exit 0
        fi
        kill -0 $pid 2>/dev/null || { echo "quorlin exited early"; exit 1; }
        sleep 0.2
    done
    echo "no window titled Quorlin appeared"; kill $pid; exit 1
' smoke "$folder" &
pid=$!
wait "$pid"
pid=
test -s "$folder/数据库/彩票数据.mdb" || { echo "the database file was not created"; exit 1; }
echo "main window came up; database created"
