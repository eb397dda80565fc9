#!/usr/bin/env bash
# Line coverage of the product code (every source outside tests/ and bench/) by the whole
# test suite. Configures an unoptimised --coverage build (gcc), builds it, runs every test
# (ctest, all labels) and prints a per-file table and one total figure with gcovr.
#
#   tests/coverage.sh [build-dir]      (default: build-cov; kept between runs)
#
# JOBS sets the parallelism of the build and of ctest (default: 2).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-cov}
jobs=${JOBS:-2}

for tool in gcov gcovr; do
    command -v "$tool" >/dev/null 2>&1 || { echo "coverage.sh: $tool is not installed" >&2; exit 2; }
done

# The lower-bound engine and batches run threads: atomic counter updates keep the counts
# exact (racing updates can leave negative counts that gcovr refuses).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_CXX_FLAGS="--coverage -O0 -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
    -DQUILLON_BENCH=OFF -DQUILLON_SANITIZE=OFF >/dev/null
cmake --build "$build" -j"$jobs"

# Counts from an earlier run would add up with this one.
find "$build" -name '*.gcda' -delete

status=0
start=$(date +%s)
(cd "$build" && ctest --output-on-failure -j"$jobs") || status=1
echo "ctest took $(($(date +%s) - start)) s"

report="$build/coverage.txt"
# Every source under the source tree except the tests, the benchmarks and what the build
# directories hold (the compiler checks CMake runs).
gcovr -r . --object-directory "$build" --exclude 'tests/' --exclude 'bench/' \
    --exclude-directories "$build/CMakeFiles/[0-9]" -j"$jobs" -o "$report" "$build"
cat "$report"
# The TOTAL row of gcovr's table: "TOTAL  lines  executed  percent%".
read -r lines covered _ < <(awk '$1 == "TOTAL" { print $2, $3 }' "$report")
awk -v c="$covered" -v l="$lines" 'BEGIN {
    printf "product line coverage: %.1f%% (%d of %d lines)\n", 100 * c / l, c, l }'
if [ "$status" -ne 0 ]; then
    echo "coverage.sh: some tests failed" >&2
fi
exit $status
