#!/usr/bin/env bash
# Builds the fuzz targets and runs each once over its seeds (no fuzzing):
# a quick check that every seed still passes.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
fuzz=build/fuzz/fuzz
"$fuzz/fuzz_render_triangles" -runs=0 fuzz/seeds/render_triangles
