#!/usr/bin/env bash
# End-to-end benchmark: runs a fixed set of syntheses with the real solvers and reports,
# per run, where the wall-clock time goes (from the program's -timings line):
#   library  deriving the node library
#   build    building the CNF instance (encoding, blocking clauses, cost clauses)
#   bound    the in-process lower-bound engine ruling out node counts
#   files    the program's own time inside solver runs: writing inst.cnf / inst.opb,
#            reading the answer, saving constr.cnf
#   solver   the rest of each solver run: starting the shell and the solver, solving
#   decode   decoding solutions and writing the DOT / AAG / BLIF files
#   other    everything else (target, configuration, statistics)
# and the number of solver runs and the solvers' own CPU time.
#
# Usage: bench/run_bench.sh [quillon-binary] [repeats]
# Without a binary, a Release build is made in build-bench/. Each case runs `repeats`
# times (default 3) in a fresh directory; the table shows the means.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=${1:-}
repeats=${2:-3}
if [ -z "$bin" ]; then
    cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF \
        -DQUILLON_BENCH=OFF >/dev/null
    cmake --build build-bench --target quillon -j"$(nproc 2>/dev/null || echo 2)" >/dev/null
    bin=build-bench/quillon
fi
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")

cases=(
    "xor2|-k 2 -f 6"
    "xor3|-k 3 -f 150"
    "maj3|-k 3 -f 232"
    "f4_16|-k 4 -fh 16"
    "and6|-k 6 -fh 8000000000000000"
    "xor4_lib86|-k 4 -fh 6996 -nodefuncts 86 -gatecosts 11"
    "xor3_costs19|-k 3 -f 150 -nodefuncts 86 -gatecosts 19"
    "poly_and_or|-k 2 -f 232 -polyedges"
    "and4_enum|-k 4 -fh 80 -enum"
    "and4_best_enum|-k 4 -fh 80 -best -enum"
    "maj3_enum_cont|-k 3 -f 232 -enum -continue"
    "xor3_enum|-k 3 -f 150 -enum"
    "xor3_all_files|-k 3 -f 150 -save_dot s.dot -save_aag s.aag -save_blif s.blif"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-16s %8s %8s %8s %8s %8s %8s %8s %8s %5s %9s\n' case total library build bound files \
    solver decode other runs solver_cpu
for entry in "${cases[@]}"; do
    name=${entry%%|*}
    args=${entry#*|}
    lines=""
    for ((i = 0; i < repeats; i++)); do
        dir="$work/$name.$i"
        mkdir -p "$dir"
        # shellcheck disable=SC2086
        if ! (cd "$dir" && "$bin" $args -timings >/dev/null 2>"$dir/err"); then
            echo "$name: run failed:" >&2
            cat "$dir/err" >&2
            exit 1
        fi
        lines+=$(grep '^timings:' "$dir/err")$'\n'
    done
    printf '%s' "$lines" | awk -v name="$name" '
        {
            for (i = 2; i <= NF; i++) {
                split($i, kv, "=")
                sum[kv[1]] += kv[2]
            }
            n++
        }
        END {
            printf "%-16s %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %5d %9.3f\n", name,
                sum["total"] / n, sum["library"] / n, sum["build"] / n, sum["bound"] / n, sum["files"] / n,
                sum["solver"] / n, sum["decode"] / n, sum["other"] / n,
                sum["solver_runs"] / n, sum["solver_cpu"] / n
        }'
done
