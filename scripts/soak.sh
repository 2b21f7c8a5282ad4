#!/usr/bin/env bash
# scripts/soak.sh [STEP...]
#
# The long checks kept out of the per-commit tests (docs/reliability.md):
# flood, kill, vanish, rss, replay and tags (all when none is named). Builds
# bench/soak.cpp into build-soak/ (or $QCX_SOAK_BUILD) and runs each step
# inside a network namespace of its own, where it builds a fresh pair of hosts
# (tests/netlab.h). QCX_SOAK_MINUTES sets the length of rss (default 10).
# Needs root. Exits 1 when a step fails; the logs stay in the build folder.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    echo "scripts/soak.sh: needs root to make its network namespaces" >&2
    exit 1
fi

build=${QCX_SOAK_BUILD:-build-soak}
bash scripts/setup.sh || exit 1
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQCX_BUILD_BENCH=ON -DQCX_BUILD_TESTS=OFF \
    >/dev/null || exit 1
cmake --build "$build" -j2 --target qcx_soak >/dev/null || exit 1

export QT_QPA_PLATFORM=offscreen
failed=0
summary=""
for step in ${*:-flood kill vanish rss replay tags}; do
    log="$build/soak-$step.log"
    unshare -n -- "$build/bench/qcx_soak" "$step" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    result=$(sed -n "s/^RESULT $step //p" "$log")
    if [ "$status" -ne 0 ] || [ "${result%% *}" != PASS ]; then
        failed=1
        result=${result:-"FAIL: exit $status, see $log"}
    fi
    summary+="| $step | $result |"$'\n'
done

printf '\n| step | result |\n|---|---|\n%s' "$summary"
exit "$failed"
