#!/usr/bin/env bash
# The whole `quillon` command on real benchmark files (tests/data/benchmarks: MCNC /
# espresso examples, reversible-logic lists, the IWLS contest), with library 8 (AND with
# inversions) and 86 (AND and XOR), each run under a time limit, side by side with
# yosys-abc's heuristic flow (`strash; resyn2`) on the same file in the same run.
#
# Per file and library: quillon's status (optimum, or stopped at the limit with the circuit
# it built), the proven lower bound and the node count of the circuit written, its
# wall-clock time, whether the circuit agrees with the file on every cared-for point
# (bench/check_pla.py: an independent simulation; ABC's cec reads don't cares as zeros),
# and ABC's AND count and time.
#
# Usage: bench/benchmarks.sh [-b QUILLON] [-t SECONDS] [-o FILE]
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
bin=$src/build/quillon
limit=30
outfile=
while [ $# -gt 0 ]; do
    case $1 in
    -b) bin=$2; shift 2 ;;
    -t) limit=$2; shift 2 ;;
    -o) outfile=$2; shift 2 ;;
    *) echo "usage: $0 [-b QUILLON] [-t SECONDS] [-o FILE]" >&2; exit 2 ;;
    esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
resyn2="balance; rewrite; refactor; balance; rewrite; rewrite -z; balance; refactor -z; rewrite -z; balance"

table="| file | library | status | lower bound | nodes | seconds | agrees | ABC resyn2 ANDs | ABC seconds |
|---|---|---|---|---|---|---|---|---|"
for pla in "$src"/tests/data/benchmarks/*.pla; do
    name=$(basename "$pla" .pla)
    for lib in 8 86; do
        rm -f "$work/c.blif"
        t0=$(now)
        set +e
        "$bin" -pla "$pla" -nodefuncts "$lib" -timeout "$limit" -save_blif "$work/c.blif" \
            -stats >"$work/out" 2>"$work/err"
        status=$?
        set -e
        t1=$(now)
        secs=$(echo "$t1 - $t0" | bc)
        if [ $status -eq 0 ]; then
            nodes=$(tail -n 1 "$work/err" | cut -d';' -f2)
            state=optimum
            lower=$nodes
        else
            state="stopped ($status)"
            below=$(grep -o 'Proven impossible: 0[^.]*nodes' "$work/err" | grep -o '[0-9]* nodes' | grep -o '[0-9]*' || true)
            lower=$(( ${below:-0} + 1 ))
            grep -q 'Proven impossible: 0 nodes' "$work/err" && lower=1
            nodes=$(grep -o 'Best circuit found so far: [0-9]*' "$work/err" | grep -o '[0-9]*$' || echo none)
        fi
        agrees=no
        [ -f "$work/c.blif" ] && /usr/bin/python3 "$src/bench/check_pla.py" "$work/c.blif" "$pla" \
            >/dev/null && agrees=yes
        a0=$(now)
        # resyn2, spelled out (the alias lives in ABC's abc.rc).
        ands=$(yosys-abc -c "read_pla $pla; strash; $resyn2; print_stats" 2>/dev/null |
            grep -o 'and *= *[0-9]*' | grep -o '[0-9]*$' || echo "?")
        a1=$(now)
        asecs=$(echo "$a1 - $a0" | bc)
        row=$(printf '| %s | %s | %s | %s | %s | %.2f | %s | %s | %.2f |' "$name" "$lib" "$state" \
            "$lower" "$nodes" "$secs" "$agrees" "$ands" "$asecs")
        echo "$row"
        table+=$'\n'"$row"
    done
done
[ -n "$outfile" ] && echo "$table" >"$outfile"
exit 0
