"""The Python module: each target form, a multi-output target with don't cares whose
circuit is simulated, the time limit, Ctrl-C, an enumeration counted as the command
counts it, a batch, the files of a circuit, and the refusals."""

import json
import os
import random
import re
import signal
import subprocess
import threading

import pytest

import quillon


def realises(result, tables, cares, inputs):
    """The circuit's tables agree with every table on the rows its care mask holds."""
    rows = (1 << (1 << inputs)) - 1
    for got, table, care in zip(result.simulate(), tables, cares):
        care = rows if care is None else care
        if (got ^ table) & care:
            return False
    return True


@pytest.mark.parametrize(
    "target,inputs",
    [(0x6996, 4), ("6996", 0), ("0x6996", 4), ([0x6996], 4), ([(0x6996, 0xFFFF)], 4)],
)
def test_every_target_form_gives_the_parity_of_four(target, inputs):
    r = quillon.synthesize(target, inputs=inputs, library="86", timeout=10.0)
    assert r.nodes == 3 and r.cost == 3 and r.depth == 2 and r.xors == 3
    assert r.status == "optimum" and r.lower_bound == 3
    assert r.simulate() == [0x6996]
    assert [g[0] for g in r.gates] == ["6", "6", "6"]
    assert len(r.outputs) == 1 and r.inputs == 4


def test_multi_output_target_with_dont_cares_is_simulated():
    rng = random.Random(11)
    for inputs in (3, 4):
        full = (1 << (1 << inputs)) - 1
        tables = [rng.getrandbits(1 << inputs) for _ in range(2)]
        cares = [rng.getrandbits(1 << inputs) | 1, None]
        target = [(tables[0], cares[0]), tables[1]]
        r = quillon.synthesize(target, inputs=inputs, library="86", timeout=30.0)
        assert realises(r, tables, cares, inputs)
        assert len(r.outputs) == 2
        record = json.loads(r.json())
        assert record["nodes"] == r.nodes and record["status"] == "optimum"
        assert int(record["targets"][1]["care"], 16) == full


def test_files_of_a_circuit():
    r = quillon.synthesize(0xE8, inputs=3)
    assert r.blif().startswith(".model fnct\n.inputs x0 x1 x2\n.outputs y0\n")
    assert r.verilog().startswith("module fnct")
    assert r.dot().startswith("digraph Network {")
    aig = r.aiger()
    assert isinstance(aig, bytes) and aig.startswith(b"aig 7 3 0 1 4\n")
    assert r.aiger_ascii().startswith("aag ")


def test_time_limit_raises_timeout_error():
    with pytest.raises(TimeoutError, match="no circuit of fewer than"):
        quillon.synthesize("169AE443", library="86", timeout=0.5)


def test_conflict_limit_raises_timeout_error():
    with pytest.raises(TimeoutError, match="conflict limit"):
        quillon.synthesize("169AE443", library="86", conflicts=2000)


def test_ctrl_c_raises_keyboard_interrupt():
    timer = threading.Timer(0.3, lambda: os.kill(os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            quillon.synthesize("169AE443", library="86", timeout=20.0)
    finally:
        timer.cancel()
    # The next call runs as usual.
    assert quillon.synthesize(0x8, inputs=2).nodes == 1


def test_enumeration_counts_as_the_command():
    circuits = list(quillon.enumerate(0xE8, inputs=3))
    assert all(realises(c, [0xE8], [None], 3) for c in circuits)
    assert len({c.blif() for c in circuits}) == len(circuits)
    binary = os.environ.get("QUILLON_BIN")
    if binary:
        out = subprocess.run([binary, "-k", "3", "-f", "232", "-enum"], capture_output=True,
                             text=True, check=True, cwd="/tmp").stdout
        assert int(re.search(r"Solutions: (\d+)", out).group(1)) == len(circuits)
    assert len(list(quillon.enumerate(0xE8, inputs=3, limit=2))) == 2


def test_batch_solves_every_table():
    tables = [0x6, 0x8, 0xE8, 0x96, 0x1, 0x0]
    results = quillon.batch(tables, inputs=3, library="86", threads=2)
    assert [r.nodes for r in results] == [2, 2, 4, 2, 2, 0]  # 0x6: (x0 ^ x1) & ~x2
    for r, t in zip(results, tables):
        assert realises(r, [t], [None], 3)


def test_batch_through_the_result_cache(tmp_path):
    import sqlite3

    cache = str(tmp_path / "c.db")
    tables = [0x6996, 0x9669, 0xE8E8, 0x6996]
    first = quillon.batch(tables, inputs=4, library="86", threads=2, cache=cache)
    rows = sqlite3.connect(cache).execute("SELECT truth_table, nodes FROM optimum").fetchall()
    assert sorted(n for _, n in rows) == [3, 4]  # one entry per class
    again = quillon.batch(tables, inputs=4, library="86", cache=cache)
    assert [r.nodes for r in again] == [r.nodes for r in first] == [3, 3, 4, 3]
    for r, t in zip(again, tables):
        assert realises(r, [t], [None], 4)
    binary = os.environ.get("QUILLON_BIN")
    if binary:  # the command reads what the module stored
        out = subprocess.run([binary, "-cache", cache, "-k", "4", "-fh", "9669",
                              "-nodefuncts", "86", "-stats"], capture_output=True, text=True,
                             check=True, cwd=tmp_path)
        assert "Solutions: 1" in out.stdout and ";3;" in out.stderr
    with pytest.raises(ValueError):
        quillon.batch([(0x6, 0x7)], inputs=2)


def test_refusals():
    with pytest.raises(ValueError):
        quillon.synthesize(0x1, inputs=1, inversions=False, constants=False)
    with pytest.raises(ValueError):
        quillon.synthesize(0x6, inputs=2, library="8Z")
    with pytest.raises(ValueError):
        quillon.synthesize(0x6)  # an int needs inputs=
    with pytest.raises(ValueError):
        quillon.synthesize(0x1FF, inputs=3)
    with pytest.raises(TypeError):
        quillon.synthesize(1.5, inputs=2)
    assert quillon.__version__ == "1.4"
