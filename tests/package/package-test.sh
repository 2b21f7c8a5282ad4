#!/usr/bin/env bash
# package-test.sh BUILD-DIR CLOSEWINDOW
#
# Checks the Debian package that `cpack -G DEB` left in BUILD-DIR: its
# desktop entry and AppStream file validate, apt can resolve its dependencies,
# and the installed program (unpacked into a scratch root) starts on a
# virtual X display, shows its main window and exits with 0 when the window
# is closed, having saved its settings.
set -euo pipefail

build_dir=$1
closewindow=$2
deb=$(ls "$build_dir"/quaycast-tool_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
    echo "package-test: no quaycast-tool_*.deb in $build_dir" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

app_id=com.vestranautic.QuaycastTool
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
for size in 16 24 32 48 64 128 256; do
    test -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
done
test -s "$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
echo "package-test: desktop entry, AppStream data and icons are in place"

# Every dependency must be installable from Debian's archive.
if [ "$(id -u)" -eq 0 ]; then
    apt-get install --simulate --no-install-recommends "$deb" > "$work/apt.log" 2>&1 || {
        cat "$work/apt.log" >&2
        echo "package-test: apt cannot resolve the package's dependencies" >&2
        exit 1
    }
    echo "package-test: apt resolves the dependencies"
fi

home="$work/home"
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"

# The program records below /var/lib: give it an empty private one. Xvfb is
# started by hand: xvfb-run waits for a SIGUSR1 that never comes when the
# signal is blocked, as it is under CTest.
run_installed() {
    unshare -m --propagation private -- bash -c '
        set -u
        mount -t tmpfs -o size=8m tmpfs /var/lib
        export HOME="$1" XDG_CONFIG_HOME="$1/.config" XDG_RUNTIME_DIR="$1/runtime" QT_QPA_PLATFORM=xcb
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>"$1/xvfb.out" &
        xvfb=$!
        trap "kill $xvfb 2>/dev/null" EXIT
        for _ in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
        export DISPLAY=":$(cat "$1/display")"
        "$2/usr/bin/appQuaycast" > "$1/app.out" 2>&1 &
        app=$!
        "$3" "Quaycast Tool - QCX" 20000 || { kill $app; exit 3; }
        for _ in $(seq 200); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
        if kill -0 $app 2>/dev/null; then kill $app; echo "still running 20 s after the close" >&2; exit 4; fi
        wait $app
    ' run "$home" "$root" "$closewindow"
}

status=0
run_installed || status=$?
if [ "$status" -ne 0 ]; then
    cat "$home/app.out" >&2 || true
    echo "package-test: the installed program ended with $status" >&2
    exit 1
fi

log=$(ls "$home"/.config/vestranautic/QuaycastTool/logs/*.log)
grep -q "App settings loaded to UI OK" "$log"
grep -q "App settings received From UI OK" "$log"
test -s "$home/.config/vestranautic/QuaycastTool/settings/appSettings.json"
if grep -q "QQmlApplicationEngine failed\|module .* is not installed" "$home/app.out"; then
    cat "$home/app.out" >&2
    exit 1
fi
echo "package-test: the installed program showed its window, saved its settings and exited with 0"
