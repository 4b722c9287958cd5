#!/usr/bin/env bash
# Drives the window with a random sequence of user actions, under the sanitizers.
#   scripts/soak.sh [SEED] [ACTIONS]     (defaults: 20261208 and 5000, as the tests run it)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTINTARA_SANITIZE=ON -DTINTARA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-test -j"$(nproc)" --target tst_soak >/dev/null
# A long walk outlasts Qt Test's five-minute watchdog.
QTEST_FUNCTION_TIMEOUT=86400000 QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
    TINTARA_SOAK_SEED="${1:-20261208}" TINTARA_SOAK_ACTIONS="${2:-5000}" \
    build-test/tests/tst_soak -maxwarnings 0
