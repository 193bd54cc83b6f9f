"""Memory stays flat over a long script: the process's resident memory (from /proc/self/statm)
is measured around loops of edits and evaluations, each loop in an interpreter of its own so
that memory freed earlier (by pytest, say) cannot hide what a loop keeps. Each kept undo step
costs memory by design, so the edit loop bounds the history (Scene.history_limit): the steps it
forgets must then be freed. The same loop with the whole history kept shows what a command left
behind per edit would cost, and the bounded loop must stay far below that."""
import json
import os
import subprocess
import sys
import textwrap

from conftest import example

MEASURE = """
import gc, json, os, sys
import vantorel

def resident():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")

def growth(run):
    gc.collect()
    before = resident()
    run()
    gc.collect()
    return resident() - before

path = sys.argv[1]
"""


def measure(script):
    """Runs the script after MEASURE with the example's path; returns what it prints as JSON."""
    r = subprocess.run([sys.executable, "-c", MEASURE + textwrap.dedent(script), example("two_points_arm.xml")],
                       capture_output=True, text=True, timeout=300, env=os.environ)
    assert r.returncode == 0, r.stderr
    return json.loads(r.stdout)


def test_a_thousand_edits_and_evaluations_hold_memory_flat():
    m = measure("""
        scene = vantorel.load(path)
        arm = scene["Arm"]

        def edits(n=1000):
            for i in range(n):
                arm.set("STRETCHMAX", 100 + i % 50)
                scene.eval(16, "Arm")

        scene.history_limit = 100
        edits(300)  # the history full, caches and allocators at rest
        bounded = growth(edits)
        scene.history_limit = 0
        kept = growth(edits)
        print(json.dumps({"bounded": bounded, "kept": kept}))
    """)
    # A thousand kept steps: what a command per edit costs (about 0.6 MB here).
    assert m["kept"] > 200_000, f"1000 kept steps grew memory by only {m['kept']} bytes: the measure sees nothing"
    assert m["bounded"] < m["kept"] / 4, f"1000 edits grew memory by {m['bounded']} bytes with the history bounded"


def test_scenes_loaded_and_dropped_leave_nothing_behind():
    m = measure("""
        def loads(n=100):
            for _ in range(n):
                scene = vantorel.load(path)
                scene.eval()
                scene["Arm"]["SMOOTH"] = 3
                node = scene["Arm"]  # a node keeps its scene until it goes too
                del scene
                assert node.type == "PointConstraint2"
                del node

        loads(20)
        print(json.dumps({"grown": growth(loads)}))
    """)
    # A scene of this size held on to costs about 65 kB: 100 of them would be 6.5 MB.
    assert m["grown"] < 1_000_000
