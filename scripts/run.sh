#!/usr/bin/env bash
# Builds Quorlin and starts it. The program folder is build/bin: the draw database is kept there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
exec "$root/build/bin/quorlin"
