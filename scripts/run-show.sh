#!/usr/bin/env bash
# Builds everything and plays the show.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset default >/dev/null
cmake --build --preset default
./build/default/morvane --frames 3 "$@"
