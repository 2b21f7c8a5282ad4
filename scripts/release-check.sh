#!/usr/bin/env bash
# scripts/release-check.sh [BUILD-DIR]
#
# The check before a release, run as root; not one for every commit, as it
# downloads a Debian base system. It builds the program and the Debian package
# in BUILD-DIR (default build-release), checks the package's contents, runs
# lintian, installs the package with apt into a fresh minimal Debian 12 root
# made by mmdebstrap from this machine's apt sources, and starts the installed
# program there, in a network namespace of its own, on a virtual X display.
# Its window is closed as a window manager closes it: the program must exit
# with 0 having written its settings. The command line program runs there too:
# its version, and a listen/send round trip between two network namespaces
# made for it. The root holds nothing but the package
# and its dependencies, so a run-time dependency that the package forgets,
# hidden here by the build machine's full Qt, makes the start fail.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$repo/build-release}")
suite=bookworm
app_id=com.vestranautic.QuaycastTool
window_title="Quaycast Tool - QCX"
started=$SECONDS

if [ "$(id -u)" -ne 0 ]; then
    echo "release-check: run as root (mmdebstrap, chroot and network namespaces need it)" >&2
    exit 2
fi
# Files installed by CMake and packed by CPack keep these permissions.
umask 022
export DEBIAN_FRONTEND=noninteractive

logs="$build/release-check"
root="$logs/root"
results=()
failed=0

# step NAME FUNCTION: runs FUNCTION in a subshell that stops at the first
# failing command, with its output in $logs/NAME.log, and records the outcome;
# on failure the end of the log is shown. (In a condition such as `fn || ...`
# bash would ignore set -e inside fn, hence the plain status check.)
step() {
    local name=$1 fn=$2 t0=$SECONDS rc
    printf 'release-check: %-16s ... ' "$name"
    (set -e; "$fn") > "$logs/$name.log" 2>&1
    rc=$?
    if [ "$rc" -eq 0 ]; then
        echo "PASS ($((SECONDS - t0)) s)"
        results+=("PASS  $name")
    else
        echo "FAIL ($((SECONDS - t0)) s, exit $rc)"
        tail -n 40 "$logs/$name.log" | sed 's/^/    /'
        results+=("FAIL  $name (log: $logs/$name.log)")
        failed=1
    fi
    return "$rc"
}

summary() {
    echo
    echo "release-check summary ($((SECONDS - started)) s):"
    printf '  %s\n' "${results[@]}"
    if [ "$failed" -eq 0 ]; then
        echo "release-check: PASS"
    else
        echo "release-check: FAIL"
    fi
    exit "$failed"
}

tools() {
    bash "$repo/scripts/setup.sh"
    local need=() p
    for p in lintian mmdebstrap man-db; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
    done
    if [ ${#need[@]} -gt 0 ]; then
        apt-get update -q
        apt-get install -y -q --no-install-recommends "${need[@]}"
    fi
}

build_package() {
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQCX_BUILD_TESTS=OFF
    cmake --build "$build" -j2
    rm -f "$build"/quaycast-tool_*.deb
    (cd "$build" && cpack -G DEB)
    ls "$build"/quaycast-tool_*.deb
}

contents() {
    local x="$logs/contents" version
    rm -rf "$x"
    dpkg-deb -x "$deb" "$x"
    test -s "$x/usr/share/doc/quaycast-tool/copyright"
    grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$x/usr/share/doc/quaycast-tool/copyright"
    gzip -t "$x/usr/share/doc/quaycast-tool/changelog.gz"
    gzip -t "$x/usr/share/man/man1/appQuaycast.1.gz"
    gzip -t "$x/usr/share/man/man1/qcx.1.gz"
    test -x "$x/usr/bin/qcx"
    # The changelog must describe the version being released.
    version=$(dpkg-deb -f "$deb" Version)
    zcat "$x/usr/share/doc/quaycast-tool/changelog.gz" > "$logs/changelog"
    dpkg-parsechangelog -l "$logs/changelog" -S Version | grep -qx "$version" || {
        echo "the changelog's latest entry is not version $version"
        return 1
    }
    if readelf -d "$x/usr/bin/appQuaycast" "$x/usr/bin/qcx" | grep -E 'RPATH|RUNPATH'; then
        echo "an installed program carries a library search path"
        return 1
    fi
    if readelf -d "$x/usr/bin/qcx" | grep -E 'NEEDED.*libQt6(Gui|Quick|Qml)'; then
        echo "qcx needs a library of the window"
        return 1
    fi
    desktop-file-validate "$x/usr/share/applications/$app_id.desktop"
    appstreamcli validate --no-net "$x/usr/share/metainfo/$app_id.metainfo.xml"
    for size in 16 24 32 48 64 128 256; do
        test -s "$x/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    done
    test -s "$x/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    dpkg-deb -c "$deb"
    dpkg-deb -f "$deb" Depends
}

run_lintian() {
    # Informational tags are listed too; only errors and warnings fail.
    # lintian needs no privileges, so it gets none, and a copy of the
    # package that it can read wherever the build folder is.
    local lint rc=0
    lint=$(mktemp -d)
    chown 65534:65534 "$lint"
    install -m 644 "$deb" "$lint/"
    setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$lint" TMPDIR="$lint" \
        lintian --display-info --fail-on error,warning "$lint/$(basename "$deb")" || rc=$?
    rm -rf "$lint"
    return "$rc"
}

closewindow_tool() {
    c++ -std=c++17 -O2 -Wall -o "$logs/qcx_closewindow" "$repo/tools/closewindow.cpp" -lxcb
}

# Every enabled apt source of this machine, passed to mmdebstrap as files,
# together with the apt options that decide whether those sources are usable.
make_root() {
    local sources=() aptopts=() f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && grep -q '^[^#[:space:]]' "$f" && sources+=("$f")
    done
    [ ${#sources[@]} -gt 0 ] || { echo "no apt sources configured"; return 1; }
    local valid_until="" check_date="" http_proxy_opt=""
    eval "$(apt-config shell valid_until Acquire::Check-Valid-Until check_date Acquire::Check-Date http_proxy_opt Acquire::http::Proxy)"
    [ -n "$valid_until" ] && aptopts+=(--aptopt="Acquire::Check-Valid-Until \"$valid_until\"")
    [ -n "$check_date" ] && aptopts+=(--aptopt="Acquire::Check-Date \"$check_date\"")
    [ -n "$http_proxy_opt" ] && aptopts+=(--aptopt="Acquire::http::Proxy \"$http_proxy_opt\"")
    rm -rf "$root"
    # The apt variant is the essential packages and apt alone: not even the
    # required ones, which a package must name if it needs them.
    mmdebstrap --mode=root --variant=apt --format=directory "${aptopts[@]}" \
        --customize-hook="copy-in $deb /tmp" \
        --customize-hook="chroot \"\$1\" apt-get install -y --no-install-recommends /tmp/$(basename "$deb")" \
        --customize-hook="rm \"\$1\"/tmp/$(basename "$deb")" \
        "$suite" "$root" "${sources[@]}"
    chroot "$root" dpkg-query -W quaycast-tool
    test -x "$root/usr/bin/appQuaycast"
    test -x "$root/usr/bin/qcx"
}

# The program runs as an unprivileged user (nobody) with an empty home in the
# root. Xvfb and the closing tool run outside the root, in the same network
# namespace, so that nothing but the package and its dependencies is
# installed in it; the X server is reached through its socket.
run_installed() {
    local home=/home/qcx
    rm -rf "$root$home"
    mkdir -p "$root$home/runtime"
    chmod 700 "$root$home/runtime"
    chown -R 65534:65534 "$root$home"
    unshare -n -m --propagation private -- bash -c '
        set -u
        root=$1 home=$2 logs=$3 title=$4
        links=$(ip -o link show | awk -F": " "{print \$2}" | tr "\n" " ")
        echo "network interfaces in the namespace: $links"
        [ "$links" = "lo " ] || { echo "not in a network namespace of its own"; exit 5; }
        mount -t proc proc "$root/proc"
        mount --bind /dev "$root/dev"
        rm -f "$logs/display"
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$logs/display" 2>"$logs/xvfb.out" &
        xvfb=$!
        trap "kill $xvfb 2>/dev/null" EXIT
        for _ in $(seq 100); do [ -s "$logs/display" ] && break; sleep 0.1; done
        display=":$(cat "$logs/display")"
        mkdir -p "$root/tmp/.X11-unix"
        mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        chroot --userspec=65534:65534 "$root" /usr/bin/env -i \
            PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/runtime" \
            DISPLAY="$display" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 \
            /usr/bin/appQuaycast > "$logs/app.out" 2>&1 &
        app=$!
        if ! DISPLAY="$display" "$logs/qcx_closewindow" "$title" 30000; then
            if kill -0 $app 2>/dev/null; then
                kill $app; wait $app
                echo "the main window did not show or did not close"
            else
                wait $app; echo "appQuaycast ended with $? before its window was closed"
            fi
            exit 3
        fi
        for _ in $(seq 200); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
        if kill -0 $app 2>/dev/null; then kill $app; echo "still running 20 s after the close"; exit 4; fi
        wait $app && rc=0 || rc=$?
        echo "appQuaycast exited with $rc"
        exit $rc
    ' run "$root" "$home" "$logs" "$window_title" || {
        local rc=$?
        echo "--- program output"; cat "$logs/app.out" || true
        return "$rc"
    }
    echo "--- program output"; cat "$logs/app.out"
    if grep -E "QQmlApplicationEngine failed|module .* is not installed|Could not load the Qt platform plugin" "$logs/app.out"; then
        echo "the program reported a missing part"
        return 1
    fi
    local config="$root$home/.config/vestranautic/QuaycastTool"
    test -s "$config/settings/appSettings.json"
    grep -q '"mrDefaultGrpIpAddress"' "$config/settings/appSettings.json"
    echo "settings written: $config/settings/appSettings.json"
    grep -q "App settings loaded to UI OK" "$config"/logs/*.log
    grep -q "App settings received From UI OK" "$config"/logs/*.log
    echo "the log records the settings loaded at start and received at close"
}

# The installed qcx as nobody in the root: its version, then qcx listen in
# host A and qcx send in host B of two namespaces joined by a veth pair, all
# inside a network namespace of this step's own.
run_qcx_installed() {
    local version
    version=$(dpkg-deb -f "$deb" Version)
    chroot --userspec=65534:65534 "$root" /usr/bin/env -i PATH=/usr/bin:/bin /usr/bin/qcx --version | tee "$logs/qcx-version.out"
    grep -qx "qcx $version" "$logs/qcx-version.out"
    unshare -n -m --propagation private -- bash -c '
        set -eu
        root=$1 logs=$2
        a=qcxrc-$$-a b=qcxrc-$$-b
        links=$(ip -o link show | awk -F": " "{print \$2}" | tr "\n" " ")
        [ "$links" = "lo " ] || { echo "not in a network namespace of its own"; exit 5; }
        trap "ip netns del $a 2>/dev/null; ip netns del $b 2>/dev/null" EXIT
        ip netns add $a
        ip netns add $b
        ip link add eth0 netns $a type veth peer name eth0 netns $b
        for n in $a:198.51.100.1 $b:198.51.100.2; do
            h=${n%%:*}
            ip -n $h link set lo up
            ip -n $h addr add ${n#*:}/24 dev eth0
            ip -n $h link set eth0 up
            ip -n $h route add 224.0.0.0/4 dev eth0
        done
        for _ in $(seq 50); do ip -n $b link show eth0 | grep -q "state UP" && break; sleep 0.1; done
        mount -t proc proc "$root/proc"
        mount --bind /dev "$root/dev"
        qcx() {
            local ns=$1; shift
            ip netns exec $ns chroot --userspec=65534:65534 "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/tmp \
                LANG=C.UTF-8 /usr/bin/qcx "$@"
        }
        qcx $a listen 239.192.0.4:60004 --json --count 2 --timeout 20 > "$logs/qcx-listen.out" &
        listener=$!
        # 239.192.0.4 as the kernel lists it once joined.
        for _ in $(seq 100); do ip netns exec $a grep -q 0400C0EF /proc/net/igmp && break; sleep 0.1; done
        qcx $b send 239.192.0.4:60004 --iec450 EI0001 --count 2 --interval 0.1 "\$QCTX,1*00"
        wait $listener
        cat "$logs/qcx-listen.out"
        [ "$(grep -c "EI0001,n:[12]" "$logs/qcx-listen.out")" = 2 ]
        grep -qF "\"tag\":{\"s\":\"EI0001\",\"n\":2,\"verdict\":\"correct\"}" "$logs/qcx-listen.out"
        grep -q "\"host\":\"198.51.100.2\"" "$logs/qcx-listen.out"
    ' run "$root" "$logs"
}

mkdir -p "$logs"
echo "release-check: building in $build, logs in $logs"
step tools tools || summary
step build build_package || summary
deb=$(ls "$build"/quaycast-tool_*.deb) || summary
step contents contents
step lintian run_lintian
sed 's/^/    /' "$logs/lintian.log"
step closewindow closewindow_tool || summary
step debian-root make_root || summary
# The root is kept for a look when a start failed.
step start-installed run_installed && step qcx-installed run_qcx_installed && rm -rf "$root"
summary
