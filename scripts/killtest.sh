#!/usr/bin/env bash
# Builds the release tree if needed and kills kestrix-console N times (default
# 1000) at random moments of its work: database creation, schedule download
# and merge, recording with its periodic saves, the end of the flight with its
# report, and filing. After every kill the store must open, validate and still
# hold everything it had committed. Prints killtest.kills, killtest.damaged
# and killtest.lost; exits non-zero when anything was damaged or lost.
# KESTRIX_KILL_SEED repeats a run's choice of moments.
set -euo pipefail
kills=${1:-1000}
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KESTRIX_BUILD_DIR:-$root/build}
if [ ! -f "$dir/build.ninja" ]; then
  "$root/scripts/build.sh" "$dir"
else
  cmake --build "$dir" --target app_tests -j "$(nproc)"
fi
status=0
log="$dir/killtest.log"
KESTRIX_KILLS=$kills "$dir/tests/app/app_tests" --gtest_filter='KillTest.*' >"$log" 2>&1 || status=$?
grep -E '^kill ' "$log" >&2 || true
grep -E '^killtest\.' "$log"
grep -q '^killtest\.kills' "$log" || { tail -20 "$log" >&2; exit 1; }
exit "$status"
