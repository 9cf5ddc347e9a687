#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over every src/ .cpp; any finding fails.
# Uses its own build folder (default build-tidy, or $1) for compile_commands.json.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-tidy}"
jobs="${TIDY_JOBS:-2}"

# Configuring is enough: no source includes moc output, so nothing generated is read.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF \
  -DQUORVANE_BUILD_FUZZ=OFF >/dev/null
# Once one does, moc must run first; its targets need the libraries, so build them all.
if grep -rqE '#\s*include\s*"(moc_[^"]*\.cpp|[^"]*\.moc)"' src; then
  cmake --build "$dir"
fi

mapfile -t files < <(find src -name '*.cpp' | sort)
echo "clang-tidy: ${#files[@]} files, $jobs at a time"
start=$SECONDS
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Drop the colour codes and the per-file "N warnings generated" (those are system headers').
filter() {
  sed -u -e 's/\x1b\[[0-9;]*m//g' |
    grep -vE '^([0-9]+ warnings? generated\.|clang-tidy(-[0-9]+)? .* -p=)' | tee "$log" || true
}
status=0
if command -v run-clang-tidy >/dev/null; then
  # Its file arguments are regular expressions over the database's absolute paths.
  run-clang-tidy -p "$dir" -j "$jobs" -quiet "^$PWD/src/.*\.cpp\$" 2>&1 | filter || status=$?
else
  printf '%s\n' "${files[@]}" | xargs -P "$jobs" -n 1 clang-tidy -p "$dir" --quiet 2>&1 | filter ||
    status=$?
fi
echo "clang-tidy: $((SECONDS - start)) s"
if [ "$status" -ne 0 ]; then
  # Headers are reported once per translation unit that includes them; list each finding once.
  echo "clang-tidy: findings (checks in .clang-tidy):"
  sed -nE "s#^$PWD/([^:]+:[0-9]+):[0-9]+: (warning|error): .*\[([^],]+).*#  \1: \3#p" "$log" |
    sort -t: -k1,1 -k2,2n -u
  exit 1
fi
echo "clang-tidy: ok"
