#!/usr/bin/env python3
"""The Python module against the session it adapts, measured side by side:
- Scene.eval of a random 100-peg rig (scripts/make_rig, seed 1) over 10 000 frames into a new
  NumPy array, against bench_session's evaluation of the same rig into a buffer in C++;
- one attribute edit (a two-points node's STRETCHMAX), a one-frame evaluation of that node and
  the undo, from Python, against the same round trip in C++.
Best of several runs each, in CPU time (on a machine shared with other work, wall time varies
far more) and in wall time; prints both sides and their ratio or difference.

    /usr/bin/python3 bench/python_session.py [--build build/default] [--repeats 5]
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def best(run, repeats):
    """The shortest (CPU time, wall time) of the runs, in seconds."""
    cpu, wall = [], []
    for _ in range(repeats):
        c, w = time.process_time(), time.perf_counter()
        run()
        cpu.append(time.process_time() - c)
        wall.append(time.perf_counter() - w)
    return min(cpu), min(wall)


def python_figures(vantorel, rig, repeats):
    scene = vantorel.load(rig)
    pegs = [n.name for n in scene.nodes if n.type == "Peg"]
    eval_s = best(lambda: scene.eval(nodes=pegs), repeats)

    arm_scene = vantorel.load(os.path.join(ROOT, "examples", "two_points_arm.xml"))
    arm = arm_scene["Arm"]
    n = 20000

    def edits():
        stretch = 120.0
        for _ in range(n):
            arm.set("STRETCHMAX", stretch)
            arm_scene.eval(16, "Arm")
            arm_scene.undo()
            stretch = 130.0 if stretch == 120.0 else 120.0

    edit_s = tuple(t / n for t in best(edits, repeats))
    return eval_s, edit_s


def cxx_figures(binary, repeats):
    out = subprocess.run([binary, "--benchmark_filter=RowMajor10000Frames|EditEvaluateUndo",
                          f"--benchmark_repetitions={repeats}", "--benchmark_format=json"],
                         capture_output=True, text=True, check=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

    def fastest(part):
        chosen = [b for b in runs if part in b["name"]]
        return tuple(min(b[t] * scale[b["time_unit"]] for b in chosen) for t in ("cpu_time", "real_time"))

    return fastest("RowMajor10000Frames"), fastest("EditEvaluateUndo")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "default"))
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import vantorel

    with tempfile.TemporaryDirectory() as tmp:
        rig = os.path.join(tmp, "rig.xml")
        with open(rig, "w") as f:
            subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "make_rig"), "--pegs", "100", "--frames",
                            "10000", "--seed", "1"], stdout=f, check=True)
        py_eval, py_edit = python_figures(vantorel, rig, args.repeats)
    cxx_eval, cxx_edit = cxx_figures(os.path.join(args.build, "bin", "bench_session"), args.repeats)
    for kind, i in (("CPU", 0), ("wall", 1)):
        print(f"100 pegs x 10 000 frames into a new array, {kind}: Python {py_eval[i] * 1e3:.0f} ms, "
              f"C++ {cxx_eval[i] * 1e3:.0f} ms, ratio {py_eval[i] / cxx_eval[i]:.2f} (aim: at most 1.2)")
    for kind, i in (("CPU", 0), ("wall", 1)):
        print(f"edit + one-frame eval + undo, {kind}: Python {py_edit[i] * 1e6:.1f} us, C++ {cxx_edit[i] * 1e6:.1f} us, "
              f"difference {(py_edit[i] - cxx_edit[i]) * 1e6:.1f} us (aim: at most 20)")

if __name__ == "__main__":
    main()
