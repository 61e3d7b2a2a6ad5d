#!/usr/bin/env bash
# Installs what building and testing Morvane needs on Debian 12, when missing.
# Run as root (or with sudo); packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev          # fuzz targets (libFuzzer, sanitizers)
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  nlohmann-json3-dev                # lwinfo --json
  libpng-dev libsdl2-dev zlib1g-dev # machine model: PNG frames, window; peers
  libjpeg62-turbo-dev               # JPEG image clips (PNG ones use libpng)
  libassimp-dev libstb-dev libosmesa6-dev   # peers for tests and benchmarks
  python3 python3-pil               # reference decoder for the TGA tests
  xvfb xauth                        # the window test runs under a virtual display
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
