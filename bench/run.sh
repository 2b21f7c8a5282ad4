#!/usr/bin/env bash
# Builds the benchmarks and runs them; the report (Markdown) goes to standard
# output. See bench/README.md.
#
#   bench/run.sh [qcx_bench arguments...]     e.g. bench/run.sh --quick receive
#
# QCX_BENCH_BUILD names the build folder (default: build, the one of
# scripts/build.sh). Needs root: the benchmarks open sockets only inside the
# network namespaces they make for themselves (tests/netlab.h).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    echo "bench/run.sh: needs root to make its network namespaces" >&2
    exit 1
fi

build=${QCX_BENCH_BUILD:-build}
bash scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQCX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target qcx_bench qcx_peer qcx >/dev/null

export QT_QPA_PLATFORM=offscreen
# A network namespace of its own first, so that nothing the lab does can
# touch the machine's interfaces.
exec unshare -n -- "$build/bench/qcx_bench" "$@"
