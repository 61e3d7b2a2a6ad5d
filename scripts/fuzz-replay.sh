#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each once
# over its seed corpus: a regression check, not a fuzzing session.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

run() {  # target, seed folders...
  echo "== $1"
  "build/fuzz/fuzz/$1" -runs=0 "${@:2}"
}
run fuzz_filearc fuzz/seeds/fuzz_filearc
run fuzz_filepack fuzz/seeds/fuzz_filepack
