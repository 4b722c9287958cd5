#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one.
#   scripts/fuzz.sh [SECONDS] [SEED] [TARGET...]
# SECONDS per target (default 60), SEED for libFuzzer (default 0: a new one each run),
# TARGETs among codec getkeyvalue loader recipe scan (default: all). The corpus each target grows is
# kept in build-fuzz/corpus/TARGET; a failing input is written to build-fuzz/. An input that
# takes more than five seconds is a finding too.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=${2:-0}
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(codec getkeyvalue loader recipe scan)

./scripts/install-deps.sh --fuzz
# Whichever clang links libFuzzer.
compiler=""
for c in clang++ clang++-19 clang++-18 clang++-17 clang++-16 clang++-15 clang++-14; do
    command -v "$c" >/dev/null || continue
    if echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, unsigned long) { return 0; }' |
        "$c" -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
        compiler=$c
        break
    fi
done
if [ -z "$compiler" ]; then
    echo "fuzz: no clang with libFuzzer is installed; the fuzz targets are skipped"
    exit 0
fi
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$compiler" \
    -DTINTARA_FUZZ=ON -DTINTARA_BUILD_TESTS=OFF -DTINTARA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

status=0
for t in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$t
    mkdir -p "$corpus"
    seeds=()
    options=()
    if [ "$t" = loader ]; then
        seeds=(tests/data/bad tests/data/formats fuzz/seeds)
        # Qt keeps its image plugins loaded for the life of the process.
        options=(-detect_leaks=0 -dict=../fuzz/loader.dict)
    elif [ "$t" = recipe ]; then
        seeds=(fuzz/recipes)
    fi
    log=build-fuzz/fuzz_$t.log
    if (cd build-fuzz && QT_QPA_PLATFORM=offscreen ./fuzz/fuzz_"$t" -max_total_time="$seconds" \
            -seed="$seed" -rss_limit_mb=2048 -timeout=5 -print_final_stats=1 "${options[@]}" \
            "../$corpus" "${seeds[@]/#/../}") >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
        echo "fuzz_$t: $runs runs in ${seconds}s, no fault"
    else
        echo "fuzz_$t: FAULT, see $log"
        tail -n 30 "$log"
        status=1
    fi
done
exit $status
