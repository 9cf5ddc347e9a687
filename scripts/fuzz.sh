#!/usr/bin/env bash
# Builds the settings-file fuzzer with clang (build-fuzz) and runs it for $1 seconds (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_settings_text_file
# New inputs go to a scratch folder; the committed seed corpus stays as it is.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build-fuzz/fuzz/files/fuzz_settings_text_file -max_total_time="$seconds" -max_len=65536 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" fuzz/files/corpus
