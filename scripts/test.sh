#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, in three stages:
#   1. the program's build (build/) and its tests;
#   2. a short run of every fuzz target (bench/fuzz.sh --smoke, in build-fuzz/);
#   3. the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
#      (QCX_SANITIZE=ON, in build-asan/).
# Arguments are passed to both test runs. The first stage that fails ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

export QT_QPA_PLATFORM=offscreen
run_suite() {
  local dir=$1
  shift
  if [ "$(id -u)" -eq 0 ]; then
    # As root the tests could reach the machine's own interfaces: run them in a
    # network namespace of their own, where the socket tests build their hosts.
    unshare -n -- ctest --test-dir "$dir" --output-on-failure "$@"
  else
    ctest --test-dir "$dir" --output-on-failure "$@"
  fi
}

run_suite build "$@"

bash bench/fuzz.sh --smoke

# Unoptimised: it builds a third faster, and the tests mostly wait on the network.
cmake -S . -B build-asan -G Ninja -DQCX_SANITIZE=ON -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O0 -g1"
cmake --build build-asan -j"$(nproc)"
# A Debian package of an instrumented build is nothing to ship: the package
# tests run in the first stage only.
run_suite build-asan -E '^package_' "$@"
