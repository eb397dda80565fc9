#!/usr/bin/env bash
# The whole `quillon` command, as a user runs it, on the 222 NPN classes of 4-input
# functions (or on a list of functions of K inputs), side by side with ABC's exact synthesis
# (yosys-abc) in the same run: per function the wall-clock and user CPU time of both and
# the node counts, then the totals, the node count histogram and the slowest functions.
# A run stopped by the limit shows what it proved (lb: every smaller count ruled out) and
# the size of the circuit it wrote (best).
#
# Usage: bench/npn4.sh [-l LIB] [-b QUILLON] [-r QUILLON] [-t SECONDS] [-c "HEX ..."] [-s N]
#                      [-k K] [-f FILE] [-n] [-o FILE] [-- extra quillon options]
#   -l LIB      node library: 86 (default; ABC `exact`) or 8 (AND; ABC `exact -a`)
#   -b QUILLON  the binary (default: build/quillon under the source tree)
#   -r QUILLON  also a reference binary (another build), run in turn with the others on
#               the same options; its node counts must equal those of the binary
#   -t SECONDS  wall-clock limit per class for either program (default: none); a run
#               stopped by it counts as a timeout and is not compared
#   -c "HEX"    only these classes (4 hex digits each; 2^K/4 digits with -k)
#   -k K        functions of K inputs (default 4; with -f or -c)
#   -f FILE     the functions listed in FILE (hexadecimal, one per line, # comments)
#   -s N        list the N slowest classes (default 12)
#   -n          without ABC
#   -o FILE     also write the per-class table to FILE
# The two programs alternate class by class, so that the load of a shared machine falls
# on both alike. ABC builds an output inverter as a node for f(0) = 1 unless it builds an
# AIG, and it builds no network for functions of fewer than two inputs; it gives up at its
# conflict limit on some AND-library classes. Those are shown but not compared.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
lib=86
bin=$src/build/quillon
limit=
only=
slowest=12
inputs=4
listfile=
abc=1
outfile=
ref=
while [ $# -gt 0 ]; do
    case $1 in
    -l) lib=$2; shift 2 ;;
    -b) bin=$2; shift 2 ;;
    -r) ref=$2; shift 2 ;;
    -t) limit=$2; shift 2 ;;
    -c) only=$2; shift 2 ;;
    -s) slowest=$2; shift 2 ;;
    -k) inputs=$2; shift 2 ;;
    -f) listfile=$2; shift 2 ;;
    -n) abc=0; shift ;;
    -o) outfile=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "npn4.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
extra=("$@")
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
[ -x "$bin" ] || { echo "npn4.sh: no binary $bin" >&2; exit 2; }
if [ -n "$ref" ]; then
    ref=$(cd "$(dirname "$ref")" && pwd)/$(basename "$ref")
    [ -x "$ref" ] || { echo "npn4.sh: no binary $ref" >&2; exit 2; }
fi
if [ "$abc" = 1 ] && ! command -v yosys-abc >/dev/null; then
    echo "npn4.sh: yosys-abc not found; running without ABC" >&2
    abc=0
fi

classes="0000 0001 0003 0006 0007 000F 0016 0017 0018 0019 001B 001E 001F 003C 003D 003F 0069
006B 006F 007E 007F 00FF 0116 0117 0118 0119 011A 011B 011E 011F 012C 012D 012F 013C 013D 013E
013F 0168 0169 016A 016B 016E 016F 017E 017F 0180 0181 0182 0183 0186 0187 0189 018B 018F 0196
0197 0198 0199 019A 019B 019E 019F 01A8 01A9 01AA 01AB 01AC 01AD 01AE 01AF 01BC 01BD 01BE 01BF
01E8 01E9 01EA 01EB 01EE 01EF 01FE 033C 033D 033F 0356 0357 0358 0359 035A 035B 035E 035F 0368
0369 036A 036B 036C 036D 036E 036F 037C 037D 037E 03C0 03C1 03C3 03C5 03C6 03C7 03CF 03D4 03D5
03D6 03D7 03D8 03D9 03DB 03DC 03DD 03DE 03FC 0660 0661 0662 0663 0666 0667 0669 066B 066F 0672
0673 0676 0678 0679 067A 067B 067E 0690 0691 0693 0696 0697 069F 06B0 06B1 06B2 06B3 06B4 06B5
06B6 06B7 06B9 06BD 06F0 06F1 06F2 06F6 06F9 0776 0778 0779 077A 077E 07B0 07B1 07B4 07B5 07B6
07BC 07E0 07E1 07E2 07E3 07E6 07E9 07F0 07F1 07F2 07F8 0FF0 1668 1669 166A 166B 166E 167E 1681
1683 1686 1687 1689 168B 168E 1696 1697 1698 1699 169A 169B 169E 16A9 16AC 16AD 16BC 16E9 177E
178E 1796 1798 179A 17AC 17E8 18E7 19E1 19E3 19E6 1BD8 1BE4 1EE1 3CC3 6996"
[ -n "$only" ] && classes=$only
if [ -n "$listfile" ]; then
    [ -r "$listfile" ] || { echo "npn4.sh: cannot read $listfile" >&2; exit 2; }
    classes=$(sed 's/#.*//' "$listfile" | tr -s ' \t\n' ' ')
fi
if [ "$inputs" != 4 ] && [ -z "$only$listfile" ]; then
    echo "npn4.sh: -k needs -c or -f" >&2
    exit 2
fi

if [ "$lib" = 8 ]; then
    qargs=(-nodefuncts 8 -gatecosts 1)
    abccmd='exact -a %s; &ps'
    abckey='and ='
else
    qargs=(-nodefuncts "$lib" -gatecosts "$(printf '1%.0s' $(seq ${#lib}))")
    abccmd='exact %s; print_stats'
    abckey='nd ='
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Number of inputs the function depends on.
support() {
    local f=$((16#$1)) s=0 j r
    for ((j = 0; j < inputs; j++)); do
        for ((r = 0; r < 1 << inputs; r++)); do
            if (((r >> j & 1) == 0 && ((f >> r) ^ (f >> (r | 1 << j))) & 1)); then
                s=$((s + 1))
                break
            fi
        done
    done
    echo "$s"
}

# Runs a command with the optional limit; leaves "wall user+sys status" in $work/time.
timed() {
    local status=0
    TIMEFORMAT='%R %U %S'
    if [ -n "$limit" ]; then
        { time timeout -s INT "$limit" "$@" >"$work/out" 2>"$work/err" || status=$?; } 2>"$work/t"
    else
        { time "$@" >"$work/out" 2>"$work/err" || status=$?; } 2>"$work/t"
    fi
    read -r w u s <"$work/t"
    echo "$w $(echo "$u + $s" | bc) $status" >"$work/time"
}

echo "# $(date -u '+%F %T') $(uptime | sed 's/.*load/load/')"
echo "# quillon ${qargs[*]} ${extra[*]}; abc: $([ "$abc" = 1 ] && printf "$abccmd" HEX || echo none)${limit:+; limit $limit s}"
header=$(printf '%-8s %3s %5s %3s %4s %8s %8s %5s %8s %8s %6s' function sup nodes lb best \
    q_wall q_cpu abc abc_wall abc_cpu agree)
[ -n "$ref" ] && header="$header$(printf ' %8s %8s' ref_wall ref_cpu)"
echo "$header"
table=$work/table
: >"$table"
# Runs a quillon binary on function $f; leaves its node count (-1 without answer) in $nodes,
# the least count not ruled out in $lb and the size of the circuit written in $best ("-"
# when unknown).
quillon() {
    timed "$1" -k "$inputs" -fh "$f" "${qargs[@]}" "${extra[@]}" -stats
    read -r qw qc qs <"$work/time"
    nodes=-1 lb=- best=-
    local line
    line=$(grep "^$f;" "$work/err" | tail -1 || true)
    if [ "$qs" = 0 ]; then
        nodes=$(echo "$line" | cut -d';' -f2)
        [ -n "$nodes" ] || nodes=-1
        lb=$nodes best=$nodes
    elif [ "$qs" = 124 ] || [ "$qs" = 130 ]; then
        if [[ $line == *";bounded;"* ]]; then
            best=$(echo "$line" | cut -d';' -f2)
            lb=${line##*;}
        else
            lb=$(grep -o 'impossible: 0 to [0-9]*' "$work/err" | grep -o '[0-9]*$' || true)
            if [ -n "$lb" ]; then lb=$((lb + 1)); else lb=-; fi
        fi
    else
        echo "npn4.sh: $1 failed on $f (status $qs):" >&2
        cat "$work/err" >&2
        exit 1
    fi
}
for f in $classes; do
    sup=$(support "$f")
    refcols=
    if [ -n "$ref" ]; then
        quillon "$ref"
        refcols=$(printf ' %8.3f %8.3f' "$qw" "$qc")
        refnodes=$nodes
    fi
    quillon "$bin"
    if [ -n "$ref" ] && [ "$refnodes" != -1 ] && [ "$nodes" != -1 ] && [ "$refnodes" != "$nodes" ]; then
        echo "npn4.sh: $f: $nodes nodes, the reference binary $refnodes" >&2
        exit 1
    fi
    an=- aw=0 ac=0 verdict=-
    if [ "$abc" = 1 ]; then
        # shellcheck disable=SC2059
        timed yosys-abc -c "$(printf "$abccmd" "$f")"
        read -r aw ac as <"$work/time"
        an=$(grep -o "$abckey *[0-9]*" "$work/out" | tail -1 | grep -o '[0-9]*$' || true)
        [ -n "$an" ] || an=-1
        expected=$nodes
        if [ "$lib" != 8 ] && ((16#$f & 1)); then expected=$((nodes + 1)); fi
        if [ "$sup" -lt 2 ] || [ "$nodes" = -1 ] || [ "$an" = -1 ]; then
            verdict=n/a
        elif [ "$an" = "$expected" ]; then
            verdict=yes
        else
            verdict=NO
        fi
    fi
    line=$(printf '%-8s %3s %5s %3s %4s %8.3f %8.3f %5s %8.3f %8.3f %6s' "$f" "$sup" "$nodes" \
        "$lb" "$best" "$qw" "$qc" "$an" "$aw" "$ac" "$verdict")$refcols
    echo "$line"
    echo "$line" >>"$table"
done

if [ -n "$outfile" ]; then
    cd - >/dev/null
    { echo "$header"; cat "$table"; } >"$outfile"
fi
echo
awk -v abc="$abc" '
    {
        n++; qw += $6; qc += $7; aw += $9; ac += $10; rw += $12; rc += $13
        if ($3 < 0) qto++; else hist[$3]++
        if ($6 > 10) over10++
        if (abc) { if ($8 < 0) ato++; if ($11 == "NO") bad++; if ($11 == "yes") same++ }
    }
    END {
        printf "functions %d; quillon: %.2f s wall, %.2f s CPU, %d without answer, %d over 10 s\n",
            n, qw, qc, qto, over10
        if (abc) {
            printf "abc:     %.2f s wall, %.2f s CPU, %d without answer\n", aw, ac, ato
            printf "quillon/abc: %.3f wall, %.3f CPU; node counts equal %d, differ %d\n",
                (aw > 0 ? qw / aw : 0), (ac > 0 ? qc / ac : 0), same, bad
        }
        if (NF >= 13)
            printf "reference: %.2f s wall, %.2f s CPU; quillon/reference: %.3f wall, %.3f CPU\n",
                rw, rc, (rw > 0 ? qw / rw : 0), (rc > 0 ? qc / rc : 0)
        printf "node counts:"
        for (k = 0; k <= 20; k++) if (k in hist) printf " %d:%d", k, hist[k]
        printf "\n"
    }' "$table"
awk '{ print $6 }' "$table" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR) printf "median quillon wall: %.2f s\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
echo "slowest (quillon wall):"
sort -k6,6 -g -r "$table" | head -n "$slowest" || true # head ends the pipe early
if [ "$abc" = 1 ] && grep -q ' NO$' "$table"; then exit 1; fi
