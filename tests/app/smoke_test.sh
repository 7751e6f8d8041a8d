#!/usr/bin/env bash
# Starts the real program on a fresh program folder under a virtual display and checks that the
# main window comes up and the draw database is created beside the executable.
set -euo pipefail
executable=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
# A fresh program folder: the executable and its side files, no database yet.
cp "$executable" "$folder/"
cp -r "$(dirname "$executable")/附属" "$(dirname "$executable")/图片" "$folder/"

export XDG_RUNTIME_DIR=$folder/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$(dirname "$0")/show_main_window.sh" "$folder/quorlin"
test -s "$folder/数据库/彩票数据.mdb" || { echo "the database file was not created"; exit 1; }
echo "main window came up; database created"
