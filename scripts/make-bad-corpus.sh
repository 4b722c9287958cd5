#!/usr/bin/env bash
# Rewrites tests/data/bad/ from tools/make_bad_corpus.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTINTARA_BUILD_TESTS=OFF -DTINTARA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build --target tintara_bad_corpus -j"$(nproc)" >/dev/null
rm -rf tests/data/bad
mkdir -p tests/data/bad
QT_QPA_PLATFORM=offscreen build/tools/tintara_bad_corpus tests/data/bad
ls -l tests/data/bad
