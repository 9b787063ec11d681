#!/usr/bin/env bash
# Checks the program against the real FlightGear. Installs FlightGear and its
# data from Debian (about 1.8 GB to download), builds the checks
# (tests/live), starts fgfs headless under Xvfb with the default aircraft at
# gate 1 of BIKF and its props server on a port of its own, and runs the
# recorder through the FlightGear transport: the state at the gate, pausing
# and a 2x rate under the recorder's rules, the aircraft placement, and a few
# minutes of flight reported live to the stand-in airline. Prints
# flightgear.tick_us.median, the median time of one recorder tick. Ends the
# simulator it started. Not part of scripts/test.sh.
#
#   bash scripts/test-flightgear.sh [--no-build]
#
# KESTRIX_FLIGHTGEAR_PORT   props server port (default 15401, away from the 5401
#                           the program looks at; must be free)
# KESTRIX_FLIGHTGEAR_FPS    FlightGear's frame-rate cap (default 20)
# KESTRIX_FLIGHTGEAR_SECONDS  length of the flight in the air (default 180)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
port=${KESTRIX_FLIGHTGEAR_PORT:-15401}
fps=${KESTRIX_FLIGHTGEAR_FPS:-20}
started=$SECONDS

if [ "${1:-}" != "--no-build" ]; then
  "$root/scripts/install_deps.sh" flightgear xvfb xauth dbus
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target flightgear_live_tests -j "$(nproc)"
fi

# Asks the props server for a line per property; fails when it does not answer.
ask() {
  local request="data\r\n" answer
  exec 3<>"/dev/tcp/127.0.0.1/$port" || return 1
  for property in "$@"; do request+="get $property\r\n"; done
  printf '%b' "$request" >&3
  answer=$(timeout 10 head -n $# <&3 | tr -d '\r' | tr '\n' ' ') || true
  exec 3<&-
  echo "$answer"
}

if ask /sim/version/flightgear >/dev/null 2>&1; then
  echo "test-flightgear: port $port is taken; set KESTRIX_FLIGHTGEAR_PORT" >&2
  exit 1
fi

work=$(mktemp -d)
fg_pid=
stop_flightgear() {
  if [ -n "$fg_pid" ]; then
    # Its own process group: xvfb-run, Xvfb, the session bus and fgfs.
    kill -TERM -- -"$fg_pid" 2>/dev/null || true
    for _ in $(seq 20); do kill -0 -- -"$fg_pid" 2>/dev/null || break; sleep 0.5; done
    kill -KILL -- -"$fg_pid" 2>/dev/null || true
    wait "$fg_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap stop_flightgear EXIT

# What is drawn does not matter here, so nothing is: the frames are cheap and
# the props server, served once a frame, answers at the capped rate. This
# llvmpipe crashed in its shader compiler with its widest vectors.
fgfs_args=(
  --airport=BIKF --parkpos=1 --aircraft=c172p
  --telnet=socket,bi,100,127.0.0.1,$port,tcp
  --timeofday=noon --max-fps="$fps" --geometry=320x240 --disable-fullscreen --disable-splash-screen
  --disable-sound --disable-terrasync --disable-ai-traffic --disable-ai-models --disable-real-weather-fetch
  --disable-clouds --disable-clouds3d --fog-fastest --disable-hud
  --disable-random-objects --disable-random-vegetation --disable-random-buildings
  --prop:/sim/rendering/draw-mask/terrain=false --prop:/sim/rendering/draw-mask/models=false
  --prop:/sim/rendering/draw-mask/aircraft=false --prop:/sim/rendering/draw-mask/clouds=false
)
echo "test-flightgear: starting fgfs ${fgfs_args[*]}"
FG_HOME=$work/fghome LP_NATIVE_VECTOR_WIDTH=128 XDG_RUNTIME_DIR=$work \
  setsid nice -n 10 xvfb-run -a -s "-screen 0 640x480x24" dbus-run-session -- \
  /usr/games/fgfs "${fgfs_args[@]}" >"$work/fgfs.log" 2>&1 &
fg_pid=$!

# Scenery and aircraft load in a minute or two under software rendering.
ready=
for _ in $(seq 150); do
  if ! kill -0 "$fg_pid" 2>/dev/null; then
    echo "test-flightgear: fgfs ended while starting; the end of its log:" >&2
    tail -20 "$work/fgfs.log" >&2
    exit 1
  fi
  if [ "$(ask /sim/sceneryloaded /sim/fdm-initialized 2>/dev/null)" = "true true " ]; then
    ready=1
    break
  fi
  sleep 2
done
if [ -z "$ready" ]; then
  echo "test-flightgear: FlightGear did not get ready within 300 seconds" >&2
  exit 1
fi
echo "test-flightgear: FlightGear ready after $((SECONDS - started)) s"
# The aircraft settles on its gear before it is looked at.
sleep 5

status=0
KESTRIX_FLIGHTGEAR_PORT=$port timeout 600 nice "$build/tests/live/flightgear_live_tests" || status=$?
echo "test-flightgear: done in $((SECONDS - started)) s"
exit "$status"
