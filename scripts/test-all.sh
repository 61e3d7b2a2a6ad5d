#!/usr/bin/env bash
# Builds everything and runs every test: the default build, every fuzz
# target over its seeds, the web page in headless Chromium, then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

# run_suite PRESET [CMAKE ARGS...]
run_suite() {
  echo "== $1 build"
  cmake --preset "$@" >/dev/null
  cmake --build --preset "$1"
  echo "== $1 tests"
  ctest --preset "$1"
}

# Every build here fails on any warning, so none creeps in unseen: the
# sanitizer build (GCC at -O1) and the fuzz build (clang) warn about other
# things than the default one does.
run_suite default -DMORVANE_WERROR=ON
echo "== fuzz seed replay"
bash scripts/fuzz-replay.sh -DMORVANE_WERROR=ON
echo "== web page"
bash scripts/test-web.sh
run_suite asan -DMORVANE_WERROR=ON
