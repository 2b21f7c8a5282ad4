#!/usr/bin/env bash
# Sets up, builds and starts Quaycast Tool.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start it from a desktop session, or without one run: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi
exec build/appQuaycast "$@"
