#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole suite: once as released,
# once under AddressSanitizer and UndefinedBehaviorSanitizer, once under
# ThreadSanitizer; then each fuzzer for a few seconds on its seed corpus.
# Tests that load the embedded browser (label "webengine") run in the release
# run only: the browser's libraries are not instrumented.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install_deps.sh"
jobs=$(( $(nproc) + 1 ))
# Qt asks for a private runtime folder; give every run one.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
run_suite() {
  local dir=$1 skip=$2; shift 2
  "$root/scripts/build.sh" "$dir" "$@"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 600 ${skip:+-LE "$skip"})
}
run_suite "$root/build" ""
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$root/build-asan" webengine -DKESTRIX_SANITIZE=address,undefined
TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/sanitizers/tsan.supp" run_suite "$root/build-tsan" webengine -DKESTRIX_SANITIZE=thread
"$root/scripts/fuzz.sh" 5
