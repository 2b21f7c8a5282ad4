#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" -eq 0 ]; then
  # As root the tests could reach the machine's own interfaces: run them in a
  # network namespace of their own, where the socket tests build their hosts.
  exec unshare -n -- ctest --test-dir build --output-on-failure "$@"
fi
exec ctest --test-dir build --output-on-failure "$@"
