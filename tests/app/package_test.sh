#!/usr/bin/env bash
# Makes the Debian package from the build and runs the validators over it: desktop-file-validate
# on the menu entry, appstreamcli on the AppStream metadata, lintian on the package (errors fail,
# warnings are shown). Then unpacks it into a scratch root, as `dpkg-deb -x` does, and starts
# the program from there under a virtual display as a user whose home is a scratch folder and
# who cannot write to the program folder: the draw database must appear in that home, and
# nothing under the unpacked root may change.
set -euo pipefail
cpack=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in dpkg-deb desktop-file-validate appstreamcli lintian xvfb-run xwininfo setpriv; do
    command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

# Root can write into any folder, so a test run as root runs the program, and the checks of the
# package, as the unprivileged user "nobody"; another user cannot write into what root unpacked.
# Run as anyone else, the test takes the write permission off the unpacked files instead.
chmod 755 "$work"
mkdir -p "$work/home" "$work/tmp"
mkdir -m 700 "$work/runtime"
if [ "$(id -u)" -eq 0 ]; then
    chown nobody:nogroup "$work/home" "$work/tmp" "$work/runtime"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
    as_user=()
fi
user_env=(env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$work/home" TMPDIR="$work/tmp"
          XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8)

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/quorlin_*.deb)
deb=${debs[0]}
test -f "$deb" || { echo "cpack made no package"; cat "$work/cpack.log"; exit 1; }
chmod 644 "$deb"
echo "== $(basename "$deb")"
dpkg-deb --info "$deb" control
dpkg-deb --contents "$deb"

dpkg-deb -x "$deb" "$work/root"
echo "== desktop-file-validate"
desktop-file-validate "$work/root/usr/share/applications/quorlin.desktop"
echo "== appstreamcli validate --no-net"
metainfo=("$work"/root/usr/share/metainfo/*.metainfo.xml)
"${as_user[@]}" "${user_env[@]}" appstreamcli validate --no-net "${metainfo[@]}"
echo "== lintian"
"${as_user[@]}" "${user_env[@]}" lintian --fail-on error --display-info "$deb"

echo "== the program from the unpacked package"
[ "$(id -u)" -eq 0 ] || chmod -R a-w "$work/root"
program_dir=$work/root/usr/lib/quorlin
if "${as_user[@]}" test -w "$program_dir"; then
    echo "the program folder is writable for the user the program runs as: the test would prove nothing"
    exit 1
fi
listing() { (cd "$work/root" && find . -printf '%p %y %s %m %T@\n' | LC_ALL=C sort); }
before=$(listing)
cp "$here/show_main_window.sh" "$work/"
"${as_user[@]}" "${user_env[@]}" "$work/show_main_window.sh" "$work/root/usr/bin/quorlin"
database=$work/home/.local/share/Quorlin/数据库/彩票数据.mdb
test -s "$database" || { echo "no database in the user's data folder:"; find "$work/home"; exit 1; }
if [ "$(id -u)" -eq 0 ] && [ "$(stat -c %U "$database")" != nobody ]; then
    echo "the database was not made by the unprivileged user"
    exit 1
fi
if [ "$(listing)" != "$before" ]; then
    echo "the program changed files under its own folder:"
    diff <(echo "$before") <(listing) || true
    exit 1
fi
# Root could write into the program folder; a packaged installation still keeps root's data in
# root's own home, never beside the program, where it would be every user's.
if [ "$(id -u)" -eq 0 ]; then
    mkdir -p "$work/root-home"
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$work/root-home" TMPDIR="$work/tmp" \
        XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8 "$work/show_main_window.sh" "$work/root/usr/bin/quorlin"
    test -s "$work/root-home/.local/share/Quorlin/数据库/彩票数据.mdb" ||
        { echo "no database in root's data folder:"; find "$work/root-home"; exit 1; }
    if [ "$(listing)" != "$before" ]; then
        echo "the program run by root changed files under its own folder:"
        diff <(echo "$before") <(listing) || true
        exit 1
    fi
fi
echo "main window came up; database created in the user's data folder; the program folder untouched"
