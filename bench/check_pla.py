#!/usr/bin/python3
"""Checks a BLIF netlist against a PLA file on the points the PLA cares for.

Usage: check_pla.py NET.blif FUNCTION.pla
Inputs and outputs are matched by position. The PLA is read as the Berkeley format
defines it (types f, d, r; unlisted points 0 for f and fd, 1 for r, don't cares for fr
and fdr; .phase complements outputs). Prints "equivalent" or the first difference, and
exits 0 or 1. An independent check for files with don't cares, which ABC's cec reads as
zeros.
"""
import sys


def read_lines(path):
    text = open(path).read().replace("\\\n", " ")
    for line in text.splitlines():
        line = line.strip()
        if line and not line.startswith("#"):
            yield line


def read_pla(path):
    ni = no = 0
    types, phase, rows = None, None, []
    pending = ""
    for line in read_lines(path):
        if line.startswith("."):
            words = line.split()
            if words[0] == ".i":
                ni = int(words[1])
            elif words[0] == ".o":
                no = int(words[1])
            elif words[0] == ".type":
                types = words[1]
            elif words[0] == ".phase":
                phase = words[1]
            elif words[0] in (".e", ".end"):
                break
            continue
        pending += "".join(line.replace("|", " ").split())
        if len(pending) >= ni + no:
            rows.append((pending[:ni], pending[ni:ni + no]))
            pending = ""
    types = types or "fd"
    value = {}
    for m in range(1 << ni):
        bits = [(m >> j) & 1 for j in range(ni)]
        out = []
        for o in range(no):
            on = off = dc = False
            for cube, outs in rows:
                if all(c in "-2?" or int(c) == b for c, b in zip(cube, bits)):
                    ch = {"2": "-", "4": "1", "3": "~"}.get(outs[o], outs[o])
                    on |= ch == "1" and "f" in types
                    off |= ch == "0" and "r" in types
                    dc |= ch == "-" and "d" in types
            if dc:
                v = None
            elif on:
                v = 1
            elif off:
                v = 0
            else:
                v = None if ("f" in types and "r" in types) else (0 if "f" in types else 1)
            if v is not None and phase and phase[o] == "0":
                v ^= 1
            out.append(v)
        value[m] = out
    return ni, no, value


def read_blif(path):
    inputs, outputs, nodes, cur = [], [], [], None
    for line in read_lines(path):
        words = line.split()
        if words[0] == ".inputs":
            inputs += words[1:]
        elif words[0] == ".outputs":
            outputs += words[1:]
        elif words[0] == ".names":
            cur = (words[1:-1], words[-1], [])
            nodes.append(cur)
        elif words[0] in (".model", ".end"):
            cur = None
        elif cur is not None:
            cur[2].append((words[0], words[1]) if len(words) == 2 else ("", words[0]))
    return inputs, outputs, nodes


def simulate(blif, bits):
    inputs, outputs, nodes = blif
    val = dict(zip(inputs, bits))
    for ins, name, rows in nodes:
        hit, onset = False, "1"
        for cube, out in rows:
            onset = out
            if all(c == "-" or int(c) == val[i] for c, i in zip(cube, ins)):
                hit = True
        val[name] = int(hit) if onset == "1" else int(not hit)
    return [val[o] for o in outputs]


def main():
    blif = read_blif(sys.argv[1])
    ni, no, value = read_pla(sys.argv[2])
    if len(blif[0]) != ni or len(blif[1]) != no:
        print("shapes differ")
        return 1
    for m in range(1 << ni):
        got = simulate(blif, [(m >> j) & 1 for j in range(ni)])
        for o in range(no):
            if value[m][o] is not None and value[m][o] != got[o]:
                print("output %d differs at minterm %d" % (o, m))
                return 1
    print("equivalent")
    return 0


if __name__ == "__main__":
    sys.exit(main())
