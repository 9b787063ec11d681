#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the stand-in peers
# need, and any further packages named as arguments.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache mold
  libsqlcipher-dev libsqlite3-dev libssl-dev uuid-dev libcurl4-openssl-dev libcpp-httplib-dev zlib1g-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-webengine-dev libgl-dev xvfb xauth
  fonts-liberation fonts-open-sans fonts-dejavu-core
  gmt-gshhg-low libnetcdf-dev gpsbabel
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
