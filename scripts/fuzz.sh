#!/usr/bin/env bash
# Builds the fuzzers with clang into build-fuzz and runs each in turn on its
# seed corpus for SECONDS (default 60); `--build-only` stops after building. Prints fuzz.<target>.execs and
# fuzz.<target>.findings; exits non-zero when any target found something.
# What a run adds to the corpus stays in build-fuzz; crashing inputs are kept
# in build-fuzz/findings/<target>.
set -euo pipefail
build_only=0
if [ "${1:-}" = --build-only ]; then build_only=1; shift; fi
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KESTRIX_FUZZ_DIR:-$root/build-fuzz}
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_FUZZ=ON >/dev/null
cmake --build "$dir" --target fuzzers -j "$(nproc)"
[ "$build_only" -eq 0 ] || exit 0
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for seeds in "$root"/fuzz/corpus/*/; do
  target=$(basename "$seeds")
  work="$dir/corpus/$target" findings="$dir/findings/$target" log="$dir/logs/$target.log"
  rm -rf "$findings"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  status=0
  "$dir/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # libFuzzer also keeps inputs that were merely slow; only failures count.
  count=$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)
  if [ "$status" -ne 0 ] && [ "$count" -eq 0 ]; then count=1; fi
  echo "fuzz.$target.execs ${execs:-0}"
  echo "fuzz.$target.findings $count"
  if [ "$count" -ne 0 ]; then
    failed=1
    grep -m1 -A12 -E "ERROR: |runtime error" "$log" >&2 || tail -20 "$log" >&2
  fi
done
exit "$failed"
