"""The Python examples run as a user runs them: the tension sweep plots with matplotlib when it
is there and prints a table when it is not (matplotlib hidden behind a stand-in that will not
import), and the rig check flags the frames where a scale keyed through zero crosses it."""
import os
import pathlib
import subprocess
import sys

import pytest

import vantorel
from conftest import EXAMPLE_NAMES, SOURCE, example, scene_file

SCRIPTS = SOURCE / "examples" / "python"


def run(script, *args, hide_matplotlib=None):
    env = dict(os.environ)
    if hide_matplotlib:
        env["PYTHONPATH"] = os.pathsep.join([str(hide_matplotlib), env.get("PYTHONPATH", "")])
    return subprocess.run([sys.executable, str(SCRIPTS / script), *map(str, args)], capture_output=True, text=True,
                          env=env, timeout=300)


def test_the_sweep_prints_a_table_without_matplotlib_whose_own_tension_is_the_scenes(tmp_path):
    stub = tmp_path / "stub" / "matplotlib"
    stub.mkdir(parents=True)
    (stub / "__init__.py").write_text("raise ImportError('hidden for the test')\n")
    r = run("spring_sweep.py", "--tensions", "2,4,100", "-o", tmp_path / "sweep.png", hide_matplotlib=stub.parent)
    assert r.returncode == 0, r.stderr
    assert "matplotlib is not installed" in r.stderr and not (tmp_path / "sweep.png").exists()
    lines = r.stdout.splitlines()
    assert lines[0].split() == ["frame", "T=2", "T=4", "T=100"]
    rows = [[float(v) for v in line.split()] for line in lines[1:]]
    # Tension 4 is the tip's own: its column is the scene as loaded.
    ty = vantorel.load(example("spring_tail.xml")).peg_values(nodes="Tip")["ty"][:, 0]
    assert [r[0] for r in rows] == list(range(1, 49))
    assert [r[2] for r in rows] == pytest.approx(ty, abs=5e-4)
    assert any(abs(r[1] - r[3]) > 0.1 for r in rows), "the tension changed nothing"


def test_the_sweep_plots_with_matplotlib(tmp_path):
    pytest.importorskip("matplotlib")
    out = tmp_path / "sweep.png"
    r = run("spring_sweep.py", "-o", out)
    assert r.returncode == 0, r.stderr
    assert out.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n" and r.stdout == ""


# Flip's x scale goes from 1 to -1 over frames 1 to 11, so it is 0 at frame 6, and so is that
# of Hand below it; Squash's y scale goes from 1 to -1 over frames 1 to 12, 0 at 6.5.
FLIP_RIG = scene_file("python_flip_rig.xml")


def test_the_rig_check_flags_each_scale_that_crosses_zero():
    rig = FLIP_RIG
    r = run("rig_check.py", rig)
    assert r.returncode == 1, r.stderr
    assert r.stdout.splitlines() == [
        f"{rig}: Flip: scale is zero at frame 6",
        f"{rig}: Hand: scale is zero at frame 6",
        f"{rig}: Squash: scale crosses zero between frames 6 and 7",
    ]
    assert run("rig_check.py", rig, "--frames", "7-12").returncode == 0


def test_the_rig_check_passes_every_example_and_refuses_a_bad_file(tmp_path):
    r = run("rig_check.py", *[example(n) for n in EXAMPLE_NAMES])
    assert r.returncode == 0, r.stdout + r.stderr
    assert all(line.endswith("no scale crosses zero") for line in r.stdout.splitlines())
    bad = tmp_path / "bad.xml"
    bad.write_text("<scene")
    r = run("rig_check.py", bad)
    assert r.returncode == 2 and r.stderr.startswith(f"rig_check: {bad}:")
