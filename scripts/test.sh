#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole suite: once as released,
# once under AddressSanitizer and UndefinedBehaviorSanitizer, once under
# ThreadSanitizer; then each fuzzer for a few seconds on its seed corpus.
# Tests that load the embedded browser or drive the desktop (label
# "webengine") run in the release run only: the browser's libraries are not
# instrumented. The sanitizer builds build only what the suite runs.
# Ends with where the time went: test.build_s.PHASE, test.ctest_s.PHASE and
# test.total_s, in seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$SECONDS
figures=()
# Prints the figures gathered so far, also when a phase failed.
report() {
  local figure
  for figure in "${figures[@]}"; do echo "$figure"; done
  echo "test.total_s: $((SECONDS - start))"
}
trap report EXIT
# Runs a command and records its duration as the figure named $1.
timed() {
  local name=$1 t0=$SECONDS; shift
  "$@"
  figures+=("$name: $((SECONDS - t0))")
}
timed test.install_s "$root/scripts/install_deps.sh"
jobs=$(( $(nproc) + 1 ))
# Qt asks for a private runtime folder; give every run one.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
# run_suite PHASE DIR SKIP_LABEL [build.sh arguments...]
run_suite() {
  local phase=$1 dir=$2 skip=$3; shift 3
  timed "test.build_s.$phase" "$root/scripts/build.sh" "$dir" "$@"
  timed "test.ctest_s.$phase" ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 600 ${skip:+-LE "$skip"}
}
run_suite release "$root/build" ""
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite asan "$root/build-asan" webengine --target tests -DKESTRIX_SANITIZE=address,undefined
TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/sanitizers/tsan.supp" \
  run_suite tsan "$root/build-tsan" webengine --target tests -DKESTRIX_SANITIZE=thread
timed test.build_s.fuzz "$root/scripts/fuzz.sh" --build-only
timed test.run_s.fuzz "$root/scripts/fuzz.sh" 5
