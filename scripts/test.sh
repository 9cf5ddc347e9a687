#!/usr/bin/env bash
# Sets everything up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build -DQUORVANE_WERROR="${QUORVANE_WERROR:-ON}" "$@"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
