#!/usr/bin/env bash
# Builds Quorlin and makes its Debian package, build/quorlin_<version>_<architecture>.deb,
# which `sudo apt install ./build/quorlin_<version>_amd64.deb` installs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
cd "$root/build"
cpack -G DEB
