#!/usr/bin/env bash
# Every function of 4 inputs with library "86" as one batch, the whole command timed
# (wall clock) twice: with an empty result cache and with the cache the first run filled.
# Checks every row: status optimum, the same node count for every function of an NPN
# class, 2/2/5/20/34/75/72/12 classes and 10/60/456/2474/10624/24184/25008/2720 functions
# with 0..7 nodes (the known table of optimum 4-input circuits over all two-input gates),
# and the same rows from both runs. Then times ABC's exact synthesis (yosys-abc, one
# process per function) on an evenly spread sample and extrapolates to all 65,536.
#
# Usage: bench/batch_npn4.sh [quillon-binary] [sample-size] [extra quillon options...]
# Targets (this machine, 2 cores): under 60 s with the empty cache, under 5 s with the
# filled one.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/quillon}")
samples=${2:-200}
shift $(( $# > 2 ? 2 : $# ))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

seq 0 65535 | awk '{ printf "%04X\n", $1 }' > all4.txt
now() { date +%s.%N; }

# The CPU time (user + system) of each run as well: on a shared machine the wall clock
# also measures the other users' load.
TIMEFORMAT='%U %S'
t0=$(now)
{ time "$bin" -batch all4.txt -nodefuncts 86 -cache cache.db "$@" > empty.csv; } 2> empty.cpu
t1=$(now)
{ time "$bin" -batch all4.txt -nodefuncts 86 -cache cache.db "$@" > filled.csv; } 2> filled.cpu
t2=$(now)

python3 - empty.csv filled.csv <<'PY'
import csv, itertools, sys
def rows(name):
    with open(name) as f:
        r = list(csv.reader(f))
    assert r[0] == ["line", "function", "nodes", "xors", "levels", "cost", "seconds", "status"], r[0]
    return r[1:]
empty, filled = rows(sys.argv[1]), rows(sys.argv[2])
assert len(empty) == 65536, len(empty)
bad = [r for r in empty if r[7] != "optimum"]
assert not bad, bad[:5]
strip = lambda rs: [r[:6] + r[7:] for r in rs]
assert strip(empty) == strip(filled), "the filled cache gave other rows"
nodes = {int(r[1], 16): int(r[2]) for r in empty}
# NPN classes of 4-input functions, each orbit enumerated once.
def transform(f, perm, neg, out):
    t = 0
    for y in range(16):
        x = 0
        for j in range(4):
            x |= (((y >> perm[j]) ^ (neg >> j)) & 1) << j
        t |= (((f >> x) & 1) ^ out) << y
    return t
cls = {}
classes = []
for f in range(65536):
    if f in cls:
        continue
    orbit = {transform(f, p, n, o) for p in itertools.permutations(range(4))
             for n in range(16) for o in (0, 1)}
    for g in orbit:
        cls[g] = len(classes)
    classes.append(sorted(orbit))
mixed = [c[0] for c in classes if len({nodes[g] for g in c}) != 1]
assert not mixed, "classes with different node counts: %s" % mixed[:5]
per_class = [sum(1 for c in classes if nodes[c[0]] == n) for n in range(8)]
per_function = [sum(1 for v in nodes.values() if v == n) for n in range(8)]
print("classes per node count 0..7:   ", "/".join(map(str, per_class)))
print("functions per node count 0..7: ", "/".join(map(str, per_function)))
assert per_class == [2, 2, 5, 20, 34, 75, 72, 12], per_class
assert per_function == [10, 60, 456, 2474, 10624, 24184, 25008, 2720], per_function
print("every row checked: optimum, one node count per class, the published table")
PY

# ABC's exact synthesis on an evenly spread sample, one process per function as a user
# would run it for a table of functions.
abc0=$(now)
agree=0
compared=0
{ time for i in $(seq 0 $((samples - 1))); do
    f=$(( (i * 65536 + 65536 / 2) / samples ))
    hex=$(printf "%04X" "$f")
    nd=$(yosys-abc -c "exact $hex; print_stats" 2>&1 | sed -n 's/.*nd = *\([0-9]*\).*/\1/p' | tail -1)
    # ABC builds an output inverter as a node where f(0) = 1; compare the others.
    if [ $((f & 1)) -eq 0 ] && [ -n "$nd" ]; then
        compared=$((compared + 1))
        ours=$(awk -F, -v h="$hex" '$2 "" == h "" { print $3 }' empty.csv)
        [ "$nd" = "$ours" ] && agree=$((agree + 1))
    fi
done; } 2> abc.cpu
abc1=$(now)

cpu() { tail -n 1 "$1" | awk '{ print $1 + $2 }'; }
awk -v e="$(echo "$t1 - $t0" | bc)" -v c="$(echo "$t2 - $t1" | bc)" \
    -v ec="$(cpu empty.cpu)" -v cc="$(cpu filled.cpu)" -v ac="$(cpu abc.cpu)" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" \
    -v a="$(echo "$abc1 - $abc0" | bc)" -v s="$samples" -v agree="$agree" -v cmp="$compared" 'BEGIN {
    printf "quillon, empty cache:  %7.2f s for 65536 functions (target: under 60 s), CPU %.2f s\n", e, ec
    printf "quillon, filled cache: %7.2f s for 65536 functions (target: under 5 s), CPU %.2f s\n", c, cc
    printf "yosys-abc exact:       %7.2f s for %d functions, extrapolated %.0f s for 65536, CPU %.2f s\n", a, s, a * 65536 / s, ac
    printf "node counts equal to ABC'\''s on %d of %d sampled functions with f(0) = 0\n", agree, cmp
    printf "load average at the end (1, 5, 15 min): %s\n", load
}'
