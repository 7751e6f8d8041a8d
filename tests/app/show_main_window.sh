#!/usr/bin/env bash
# Starts the program under a virtual display and succeeds once its main window (titled
# "Quorlin") is up, then ends it. Fails when the program exits early or no such window comes
# within 30 seconds.
set -euo pipefail
program=$1
# The program is to show real windows on the virtual display, whatever platform the calling
# environment chose for its own tests (offscreen windows never reach the X server).
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 800x700x24" bash -c '
    "$1" & pid=$!
    for _ in $(seq 1 150); do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"Quorlin\""; then
            kill $pid; wait $pid 2>/dev/null; exit 0
        fi
        kill -0 $pid 2>/dev/null || { echo "quorlin exited early"; exit 1; }
        sleep 0.2
    done
    echo "no window titled Quorlin appeared"; kill $pid; exit 1
' show "$program"
