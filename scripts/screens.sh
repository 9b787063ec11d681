#!/usr/bin/env bash
# Renders every window of the program to PNG files, offscreen, against an
# in-process stand-in airline with a demo pilot and schedule.
#
#   bash scripts/screens.sh [--no-build] [OUTPUT_DIR]
#
# OUTPUT_DIR defaults to build/demo/screens. Without a display the windows are
# drawn under Xvfb, so the embedded browser can draw its page too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ "${1:-}" = "--no-build" ]; then
  shift
else
  "$root/scripts/install_deps.sh"
  "$root/scripts/build.sh" "$build"
fi
out=${1:-$build/demo/screens}
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
if [ -n "${DISPLAY:-}" ]; then
  "$build/app/kestrix-screens" "$out"
else
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$build/app/kestrix-screens" "$out"
fi
echo "screens: the windows are in $out"
