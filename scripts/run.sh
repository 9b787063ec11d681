#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program against the stand-in
# airline server and simulator. On a machine with a display it opens the
# desktop program (log in as demo / demo); without one it flies and files one
# demo flight with the console front-end and renders every window of the
# program to PNG files. Then it runs the benchmarks.
#
#   bash scripts/run.sh [--speed N] [--no-bench]
#
# --speed N   simulated seconds per real second for the simulator and the
#             console alike (default 15: the 20-minute default flight takes
#             about 80 seconds)
# --no-bench  skip the benchmarks
# Exits non-zero when the program failed (headless: when the flight was not
# filed or a window could not be rendered).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
speed=15
bench=1
while [ $# -gt 0 ]; do
  case $1 in
    --speed) speed=${2:?--speed needs a value}; shift 2 ;;
    --no-bench) bench=0; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 64 ;;
  esac
done

"$root/scripts/install_deps.sh"
"$root/scripts/build.sh" "$build"

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/sim" "$demo/work"
airline_pid=
sim_pid=
stop_peers() {
  for pid in $sim_pid $airline_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  sim_pid=
  airline_pid=
}
trap stop_peers EXIT

# Waits up to ten seconds for a command to succeed while process $1 lives.
await() {
  local pid=$1; shift
  for _ in $(seq 100); do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
airline_port() { sed -n 's/^kestrix-airline listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$demo/airline.log"; }
airline_listening() { [ -n "$(airline_port)" ]; }

"$build/peers/airline/kestrix-airline" --port 0 >"$demo/airline.log" 2>&1 &
airline_pid=$!
await "$airline_pid" airline_listening || { echo "run.sh: the airline stand-in did not start" >&2; cat "$demo/airline.log" >&2; exit 1; }
port=$(airline_port)

# At the desktop the pilot starts the recording by hand: the aircraft waits for it.
desktop=${DISPLAY:-}${WAYLAND_DISPLAY:-}
scenario=()
[ -n "$desktop" ] && scenario=(--scenario "$root/peers/simulator/scenarios/wait_for_recording.txt")
"$build/peers/simulator/kestrix-sim" --dir "$demo/sim" --speed "$speed" "${scenario[@]}" </dev/null >"$demo/sim.log" 2>&1 &
sim_pid=$!
await "$sim_pid" test -S "$demo/sim/UIPCMAIN" || { echo "run.sh: the simulator stand-in did not start" >&2; cat "$demo/sim.log" >&2; exit 1; }

status=0
if [ -n "$desktop" ]; then
  echo "== Kestrix: airline on 127.0.0.1:$port, simulator at ${speed}x; log in as demo / demo"
  KESTRIX_DATA_DIR="$demo/work" KESTRIX_SERVER_VARS_HOST="127.0.0.1:$port" KESTRIX_ONLINE=1 \
    KESTRIX_SIM_DIR="$demo/sim" "$build/app/kestrix/kestrix" || status=$?
  stop_peers
else
  echo "== demo flight: airline on 127.0.0.1:$port, simulator at ${speed}x"
  "$build/app/kestrix-console" --server-vars-host "127.0.0.1:$port" --user demo --password demo \
    --speed "$speed" --sim-dir "$demo/sim" --workdir "$demo/work" || status=$?
  stop_peers
  echo
  echo "== no display: every window of the program, rendered to PNG"
  bash "$root/scripts/screens.sh" --no-build "$demo/screens" || status=$?
fi

echo
echo "== where to look"
echo "database (encrypted):     $demo/work/Kestrix2.db"
if [ -f "$demo/work/report_page.html" ]; then
  echo "filed report page:        $demo/work/report_page.html"
fi
if [ -d "$demo/screens" ]; then
  echo "the program's windows:    $demo/screens/*.png"
fi
echo "airline and simulator:    $demo/airline.log, $demo/sim.log"

if [ "$bench" = 1 ]; then
  echo
  echo "== benchmarks"
  for program in "$build"/bench/*_bench; do
    [ -x "$program" ] || continue
    echo "-- $(basename "$program")"
    "$program"
  done
fi

if [ "$status" -ne 0 ]; then
  echo "run.sh: the demo ended with exit code $status" >&2
fi
exit "$status"
