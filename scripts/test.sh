#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole suite: once as released,
# once under AddressSanitizer and UndefinedBehaviorSanitizer, once under
# ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install_deps.sh"
jobs=$(( $(nproc) + 1 ))
run_suite() {
  local dir=$1; shift
  "$root/scripts/build.sh" "$dir" "$@"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600)
}
run_suite "$root/build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$root/build-asan" -DKESTRIX_SANITIZE=address,undefined
TSAN_OPTIONS=halt_on_error=1 run_suite "$root/build-tsan" -DKESTRIX_SANITIZE=thread
