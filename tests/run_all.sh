#!/usr/bin/env bash
# Runs the whole test suite from a clean build: the release build with every unit and
# end-to-end test, the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a replay of the fuzzing corpora under the sanitizers (when clang is present).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
status=0

echo "== release build and tests"
rm -rf build-test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-test -j"$jobs"
(cd build-test && ctest --output-on-failure -j"$jobs") || status=1

echo "== sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer) and unit tests"
rm -rf build-asan
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs" -LE e2e) || status=1

if command -v clang++ >/dev/null 2>&1; then
    echo "== fuzz corpora replay under the sanitizers"
    rm -rf build-fuzz
    CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DQUILLON_FUZZ=ON \
        -DQUILLON_SANITIZE=ON -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j"$jobs"
    for corpus in tests/fuzz/corpus_*; do
        [ -d "$corpus" ] || continue
        name=${corpus##*/corpus_}
        bin=build-fuzz/fuzz_$name
        if [ ! -x "$bin" ]; then echo "missing fuzz target for $corpus"; status=1; continue; fi
        files=$(find "$corpus" -type f | wc -l)
        if "$bin" -runs=0 "$corpus"/* >"build-fuzz/$name.log" 2>&1; then
            echo "fuzz_$name: $files inputs replayed, no failure"
        else
            echo "fuzz_$name: FAILED"; tail -n 30 "build-fuzz/$name.log"; status=1
        fi
    done
fi

exit $status
