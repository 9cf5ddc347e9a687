#!/usr/bin/env bash
# Sets everything up, builds and starts Quorvane.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting Quorvane on Qt's offscreen platform (no window will be visible)."
  export QT_QPA_PLATFORM=offscreen
fi
exec build/src/app/quorvane "$@"
