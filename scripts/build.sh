#!/usr/bin/env bash
# Configures and builds into the given folder: everything, or with
# `--target NAME` only that target and what it needs. Further arguments go to
# CMake.
#
#   scripts/build.sh DIR [--target NAME] [CMAKE_ARGS...]
set -euo pipefail
dir=$1; shift
target=()
if [ "${1:-}" = --target ]; then
  target=(--target "${2:?--target needs a name}"); shift 2
fi
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" "${target[@]}" -j "$(nproc)"
