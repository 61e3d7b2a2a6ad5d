#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each over
# its seed corpus once (-runs=0): every seed must pass without a finding.
# Corpus files are replayed from the shared corpus when it is next to the
# checkout, without being copied into the tree. Arguments go to the
# configuration (test-all.sh passes -DMORVANE_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
corpus="$(cd .. && pwd)/shared/corpus"

cmake --preset fuzz "$@" >/dev/null
cmake --build --preset fuzz

# replay TARGET DIR...: missing folders are skipped.
replay() {
  local target="$1"; shift
  local dirs=()
  for d in "$@"; do [ -d "$d" ] && dirs+=("$d"); done
  echo "== fuzz replay: $target (${dirs[*]})"
  "./build/fuzz/fuzz/$target" -runs=0 "${dirs[@]}"
}

replay fuzz_tga_load fuzz/seeds/tga_load "$corpus/tga"
replay fuzz_image_load fuzz/seeds/image_load "$corpus/lws/assimp_QuickDraw_v2.2/LWO/LWO2/LWSReferences"
replay fuzz_render_triangles fuzz/seeds/render_triangles
replay fuzz_lwo_load fuzz/seeds/lwo_load "$corpus/lwo2" "$corpus/other-lwo"
replay fuzz_lws_load fuzz/seeds/lws_load "$corpus/lws"
replay fuzz_lvl_parse fuzz/seeds/lvl_parse
replay fuzz_filearc fuzz/seeds/filearc
replay fuzz_filepack fuzz/seeds/filepack
