#!/usr/bin/env bash
# bench/leakcheck.sh [SECONDS]
#
# Memory check of a whole-program session (bench/leaksession.cpp): the real
# main window with receiver, capture file, sender and the Settings window,
# worked for 30 seconds (or SECONDS) while a peer sends 200 sentences a second
# and some hostile datagrams. It builds its hosts in network namespaces
# (tests/netlab.h, so it needs root) and runs twice:
#
#   1. under valgrind memcheck, built as the program is (build/);
#   2. under LeakSanitizer, built with QCX_SANITIZE=ON (build-asan/), with the
#      suppressions of tests/sanitizers/lsan.supp.
#
# Prints valgrind's leak summary, then every loss record whose allocation stack
# passes through the program's own code (src/ and the QML module), then
# LeakSanitizer's verdict. Exits 1 when a leak belongs to the program.
# Reports stay in <build>/leakcheck/. Takes about five minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
plain=${QCX_BUILD_DIR:-build}
asan=${QCX_ASAN_BUILD_DIR:-build-asan}

if [ "$(id -u)" -ne 0 ]; then
    echo "leakcheck: needs root for the network namespaces" >&2
    exit 1
fi
bash scripts/setup.sh
[ -f "$plain/build.ninja" ] || cmake -S . -B "$plain" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQCX_BUILD_BENCH=ON > /dev/null
[ -f "$asan/build.ninja" ] || cmake -S . -B "$asan" -G Ninja -DQCX_SANITIZE=ON -DQCX_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_CXX_FLAGS="-O0 -g1" > /dev/null
cmake --build "$plain" -j"$(nproc)" --target qcx_leaksession qcx_peer
cmake --build "$asan" -j"$(nproc)" --target qcx_leaksession qcx_peer

reports_plain="$plain/leakcheck"
reports_asan="$asan/leakcheck"
mkdir -p "$reports_plain" "$reports_asan"
export QT_QPA_PLATFORM=offscreen QCX_SESSION_SECONDS="$seconds"
failed=0

echo "leakcheck: valgrind memcheck, $seconds s session"
status=0
unshare -n -- valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --num-callers=60 --smc-check=all-non-file --log-file="$reports_plain/valgrind.log" \
    "$plain/bench/qcx_leaksession" > "$reports_plain/session.out" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    echo "leakcheck: the session under valgrind ended with $status; see $reports_plain/" >&2
    failed=1
fi
grep -E 'leak session:' "$reports_plain/session.out" || true
python3 - "$reports_plain/valgrind.log" <<'EOF' || failed=1
import re, sys
text = open(sys.argv[1], errors="replace").read()
lines = [re.sub(r"^==\d+== ?", "", l) for l in text.splitlines()]
for l in lines:
    if re.match(r"\s*(definitely|indirectly|possibly) lost:|\s*still reachable:|\s*suppressed:|ERROR SUMMARY", l):
        print("  " + l.strip())
# A loss record is its header line and the stack below it, up to a blank line.
ours = re.compile(r"/src/\w+\.(cpp|h)|\b(Viewutil|Controlutil|Recvutil|Sendutil|Saveutil|Jsonutil|Validateutil|"
                  r"Logutil|IfaceSelect)::|_qt_qml_Quaycast_|qml_register_types_Quaycast")
records, current = [], None
for l in lines:
    if re.search(r"are (definitely|indirectly|possibly) lost in loss record", l):
        current = [l]
        records.append(current)
    elif current is not None:
        if l.strip():
            current.append(l)
        else:
            current = None
mine = [r for r in records if any(ours.search(f) for f in r[1:])]
print(f"  loss records: {len(records)}, through the program's code: {len(mine)}")
for r in mine:
    print("\n".join("    " + l for l in r))
sys.exit(1 if mine else 0)
EOF

echo "leakcheck: LeakSanitizer, $seconds s session"
status=0
ASAN_OPTIONS=detect_leaks=1 \
LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    unshare -n -- "$asan/bench/qcx_leaksession" > "$reports_asan/session.out" 2>&1 || status=$?
grep -E 'leak session:' "$reports_asan/session.out" || true
sed -n '/Suppressions used:/,/^-*$/p' "$reports_asan/session.out" | sed 's/^/  /'
if grep -q 'ERROR: LeakSanitizer' "$reports_asan/session.out"; then
    grep -E 'SUMMARY: AddressSanitizer' "$reports_asan/session.out" | sed 's/^/  /'
    echo "leakcheck: LeakSanitizer found leaks outside the suppressions; see $reports_asan/session.out" >&2
    failed=1
elif [ "$status" -ne 0 ]; then
    echo "leakcheck: the session under LeakSanitizer ended with $status; see $reports_asan/session.out" >&2
    failed=1
else
    echo "  no leak outside the suppressions"
fi

if [ "$failed" -eq 0 ]; then
    echo "leakcheck: no leak belongs to the program"
else
    exit 1
fi
