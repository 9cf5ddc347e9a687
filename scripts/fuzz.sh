#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz) and runs each one in turn; $1 is the
# total time in seconds (default 30), split evenly between them (at least 1 s each).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

# target, folder of its sources, its seed corpus, longest input (the text-file targets refuse
# longer ones: see fuzz/files/fuzz_input.h)
targets=(
  "fuzz_settings_text_file files fuzz/files/corpus 4096"
  "fuzz_slider_settings_round_trip files fuzz/files/corpus_slider_settings_round_trip 4096"
  "fuzz_app_settings files fuzz/files/corpus_app_settings 4096"
  "fuzz_patch_filter files fuzz/files/corpus_patch_filter 16384"
  "fuzz_midi_input midi fuzz/midi/corpus_midi_input 4096"
  "fuzz_snapshot_library snapshots fuzz/snapshots/corpus_snapshot_library 16384"
  "fuzz_osc_message osc fuzz/osc/corpus_osc_message 1024"
  "fuzz_browser_message web fuzz/web/corpus_browser_message 512"
)
each=$((seconds / ${#targets[@]}))
((each >= 1)) || each=1

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF >/dev/null
names=()
for t in "${targets[@]}"; do
  read -r name _ _ _ <<<"$t"
  names+=("$name")
done
cmake --build build-fuzz --target "${names[@]}"

# New inputs go to a scratch folder; the committed seed corpora stay as they are. Every target
# runs even when one fails; reproducers are kept in build-fuzz/artifacts.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=build-fuzz/artifacts
mkdir -p "$artifacts"
failed=()
for t in "${targets[@]}"; do
  read -r name layer corpus max_len <<<"$t"
  mkdir -p "$work/$name"
  echo "== $name: ${each}s"
  if ! "build-fuzz/fuzz/$layer/$name" -max_total_time="$each" -max_len="$max_len" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
    "$work/$name" "$corpus"; then
    failed+=("$name")
  fi
done
if ((${#failed[@]} > 0)); then
  echo "Failed: ${failed[*]}; reproducers:"
  ls -1 "$artifacts"
  exit 1
fi
