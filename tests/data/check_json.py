#!/usr/bin/python3
"""Checks a circuit record written by -save_json: its gates, simulated on every row, give
every output's table on the rows its care mask keeps. Prints "ok" or the first fault and
exits 0 or 1. Usage: check_json.py FILE"""
import json
import sys


def bits(hex_digits, rows):
    value = int(hex_digits, 16)
    return [(value >> r) & 1 for r in range(rows)]


def main():
    rec = json.load(open(sys.argv[1]))
    inputs = len(rec["inputs"])
    rows = 1 << inputs
    library = rec["library"]
    if rec["nodes"] != len(rec["gates"]):
        print("nodes differ from the gates")
        return 1
    xors = sum(1 for g in rec["gates"] if int(g["function"], 16) in (6, 9))
    if rec["xors"] != xors or rec["status"] not in ("optimum", "bounded"):
        print("xors or status wrong")
        return 1
    for r in range(rows):
        value = [0] + [(r >> j) & 1 for j in range(inputs)]
        for g in rec["gates"]:
            if g["function"] not in library or g["signal"] != len(value):
                print("gate %d is not a library gate in order" % g["signal"])
                return 1
            a, b = [value[o["signal"]] ^ int(o["inverted"]) for o in g["operands"]]
            value.append((int(g["function"], 16) >> (2 * a + b)) & 1)
        for o, (out, target) in enumerate(zip(rec["outputs"], rec["targets"])):
            want = bits(target["table"], rows)[r]
            care = bits(target["care"], rows)[r]
            got = value[out["signal"]] ^ int(out["inverted"])
            if care and got != want:
                print("output %d differs at row %d" % (o, r))
                return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
