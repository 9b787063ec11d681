#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program's benchmarks against
# the stand-in components.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install_deps.sh"
"$root/scripts/build.sh" "$root/build"
for bench in "$root"/build/bench/*_bench; do
  [ -x "$bench" ] && "$bench"
done
