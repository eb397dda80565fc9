"""-export: the databases for rewriters, each read back by an independent tool and every
exported circuit simulated against its class; only proven classes are written."""

import itertools
import json
import os
import re
import shutil
import subprocess

import pytest

BIN = os.environ.get("QUILLON_BIN")
ABC = shutil.which("yosys-abc")
YOSYS = shutil.which("yosys")
pytestmark = pytest.mark.skipif(not BIN, reason="QUILLON_BIN names no binary")

TABLES = ["6996", "E8E8", "8000", "0001", "1668", "0000", "FFFF", "5555"]


def npn_class(table, k=4):
    """Every table of the NPN class of a k-input table (bit r is row r)."""
    rows = 1 << k
    out = set()
    for perm in itertools.permutations(range(k)):
        for neg in range(1 << k):
            t = 0
            for r in range(rows):
                s = 0
                for q in range(k):
                    s |= (((r >> perm[q]) & 1) ^ ((neg >> q) & 1)) << q
                if (table >> s) & 1:
                    t |= 1 << r
            out.add(t)
            out.add(t ^ ((1 << rows) - 1))
    return out


def blif_tables(text):
    """Per output of the first model of a BLIF text, its table (input j is bit j)."""
    lines, joined = [], ""
    for raw in text.splitlines():
        raw = raw.split("#")[0].rstrip()
        if raw.endswith("\\"):
            joined += raw[:-1] + " "
            continue
        lines.append(joined + raw)
        joined = ""
    inputs, outputs, covers, current = [], [], {}, None
    for line in lines:
        words = line.split()
        if not words:
            continue
        if words[0] == ".inputs":
            inputs += words[1:]
        elif words[0] == ".outputs":
            outputs += words[1:]
        elif words[0] == ".names":
            current = (words[1:-1], [])
            covers[words[-1]] = current
        elif words[0] == ".end":
            break
        elif not words[0].startswith(".") and current is not None:
            current[1].append(words if len(words) == 2 else ["", words[0]])

    def value(name, row, memo):
        if name in inputs:
            return (row >> inputs.index(name)) & 1
        if name not in memo:
            ins, rows = covers[name]
            on = None
            for cube, out in rows:
                hit = all(c == "-" or int(c) == value(i, row, memo) for c, i in zip(cube, ins))
                if hit:
                    on = int(out)
                    break
            phase = int(rows[0][1]) if rows else 1
            memo[name] = on if on is not None else 1 - phase
        return memo[name]

    tables = []
    for o in outputs:
        t = 0
        for row in range(1 << len(inputs)):
            if value(o, row, {}):
                t |= 1 << row
        tables.append(t)
    return len(inputs), tables


def export(tmp_path, fmt, library="86", extra=()):
    (tmp_path / "b.txt").write_text("\n".join(TABLES) + "\n")
    out = tmp_path / ("db." + fmt)
    r = subprocess.run([BIN, "-batch", "b.txt", "-k", "4", "-nodefuncts", library,
                        "-export", fmt, str(out), *extra],
                       cwd=tmp_path, capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    return out, r


def expected_classes():
    """The classes of TABLES in the order of their first line."""
    seen = []
    for t in TABLES:
        cls = npn_class(int(t, 16))
        if not any(cls == c for c in seen):
            seen.append(cls)
    return seen


@pytest.mark.skipif(not ABC, reason="yosys-abc absent")
@pytest.mark.parametrize("library", ["86", "8"])
def test_aiger_outputs_are_the_classes_in_order(tmp_path, library):
    aig, _ = export(tmp_path, "aiger", library)
    subprocess.run([ABC, "-q", f"read_aiger {aig}; write_blif {tmp_path / 'aig.blif'}"],
                   check=True)
    k, tables = blif_tables((tmp_path / "aig.blif").read_text())
    classes = expected_classes()
    assert k == 4 and len(tables) == len(classes)
    for t, cls in zip(tables, classes):
        assert t in cls


@pytest.mark.skipif(not (ABC and YOSYS), reason="yosys absent")
def test_mockturtle_json_and_its_verilog(tmp_path):
    path, _ = export(tmp_path, "mockturtle")
    data = json.loads(path.read_text())
    assert set(data) == {"cache", "blacklist_cache", "initial_size"}
    assert data["blacklist_cache"] == [] and data["initial_size"] == 4
    cache = data["cache"]
    assert cache["num_pis"] == 4
    functions = cache["output_functions"]
    assert all(f["_num_vars"] == 4 and len(f["_bits"]) == 1 for f in functions)
    db = tmp_path / "db.v"
    db.write_text(cache["db"])
    subprocess.run([YOSYS, "-q", "-p", f"read_verilog {db}; hierarchy -check -top top"],
                   check=True)
    subprocess.run([ABC, "-q", f"read_verilog {db}; write_blif {tmp_path / 'v.blif'}"],
                   check=True)
    k, tables = blif_tables((tmp_path / "v.blif").read_text())
    assert tables == [f["_bits"][0] for f in functions]
    for t, cls in zip(tables, expected_classes()):
        assert t in cls
    # Every gate is one two-operand assign, as mockturtle's reader takes them.
    for line in cache["db"].splitlines():
        if line.strip().startswith("assign n"):
            assert re.fullmatch(r"\s*assign n\d+ = ~?\w+ [&^] ~?\w+ ;", line), line


@pytest.mark.skipif(not ABC, reason="yosys-abc absent")
def test_blif_models_are_proved_equivalent(tmp_path):
    path, _ = export(tmp_path, "blif")
    models = re.split(r"(?=^\.model )", path.read_text(), flags=re.M)
    models = [m for m in models if m.strip()]
    assert len(models) == len(expected_classes())
    for text in models:
        name = text.split()[1]
        k, table = re.fullmatch(r"f(\d+)_([0-9A-F]+)", name).groups()
        k, table = int(k), int(table, 16)
        model = tmp_path / (name + ".blif")
        model.write_text(text)
        pla = tmp_path / (name + ".pla")
        rows = [format(r, f"0{k}b")[::-1] + " " + str((table >> r) & 1) for r in range(1 << k)]
        pla.write_text(f".i {k}\n.o 1\n.type fr\n" + "\n".join(rows) + "\n.e\n")
        r = subprocess.run([ABC, "-q", f"cec -n {model} {pla}"], capture_output=True, text=True)
        assert "Networks are equivalent" in r.stdout, r.stdout + r.stderr
        assert blif_tables(text)[1] == [table]


def test_only_proven_classes_are_written(tmp_path):
    (tmp_path / "b.txt").write_text("6996\n169AE443\n")
    out = tmp_path / "db.json"
    r = subprocess.run([BIN, "-batch", "b.txt", "-k", "5", "-nodefuncts", "86", "-timeout", "1",
                        "-export", "mockturtle", str(out)],
                       cwd=tmp_path, capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    assert "169AE443" in r.stderr and "left out" in r.stderr
    functions = json.loads(out.read_text())["cache"]["output_functions"]
    assert len(functions) == 1


def test_cache_export_and_refusals(tmp_path):
    (tmp_path / "b.txt").write_text("6996\nE8E8\n")
    subprocess.run([BIN, "-batch", "b.txt", "-k", "4", "-nodefuncts", "86", "-cache", "c.db"],
                   cwd=tmp_path, check=True, capture_output=True)
    r = subprocess.run([BIN, "-cache", "c.db", "-nodefuncts", "86", "-export", "blif", "x.blif"],
                       cwd=tmp_path, capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    assert (tmp_path / "x.blif").read_text().count(".model ") == 2
    # Another library has no classes in this cache.
    subprocess.run([BIN, "-cache", "c.db", "-nodefuncts", "8", "-export", "blif", "y.blif"],
                   cwd=tmp_path, check=True, capture_output=True)
    assert (tmp_path / "y.blif").read_text() == ""
    for args, message in [
        (["-export", "blif", "z"], "requires -batch or -cache"),
        (["-export", "verilog", "z", "-cache", "c.db"], "takes mockturtle, aiger or blif"),
        (["-export", "blif"], "requires a format and a file"),
        (["-cache", "c.db", "-fh", "6996", "-k", "4", "-export", "blif", "z"], "give no target"),
    ]:
        r = subprocess.run([BIN, *args], cwd=tmp_path, capture_output=True, text=True)
        assert r.returncode == 1 and message in r.stderr, (args, r.stderr)
