#!/usr/bin/env python3
"""Sweeps the spring tail's tension and shows how its tip follows: for each tension the tip's
height (ty, in scene units) over the frames, plotted with matplotlib when it is installed,
else printed as a table. Each tension is tried as one edit and undone, so the scene ends as it
was loaded.

    PYTHONPATH=build/default/python python3 examples/python/spring_sweep.py [-o sweep.png]
        [--scene examples/spring_tail.xml] [--node Tip] [--tensions 2,4,10,25,100] [--table]
"""
import argparse
import os
import sys

import vantorel

HERE = os.path.dirname(os.path.abspath(__file__))


def sweep(scene, node, tensions):
    """{tension: the node's ty at every frame of the scene}, the scene left as it was."""
    spring = scene[node]
    heights = {}
    for tension in tensions:
        spring.set("TENSIONY", tension)
        heights[tension] = scene.peg_values(nodes=node)["ty"][:, 0]
        scene.undo()
    return heights


def table(frames, heights, out):
    tensions = list(heights)
    out.write("frame " + " ".join(f"{'T=' + format(t, 'g'):>9}" for t in tensions) + "\n")
    for i, frame in enumerate(frames):
        out.write(f"{frame:5d} " + " ".join(f"{heights[t][i]:9.3f}" for t in tensions) + "\n")


def plot(frames, heights, node, path):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots(figsize=(8, 4.5))
    for tension, ty in heights.items():
        ax.plot(frames, ty, label=f"TENSIONY {tension:g}")
    ax.set_xlabel("frame")
    ax.set_ylabel(f"{node} ty (scene units)")
    ax.set_title(f"{node}: height over the frames, by the spring's tension")
    ax.legend()
    fig.savefig(path, dpi=100, bbox_inches="tight")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scene", default=os.path.join(HERE, "..", "spring_tail.xml"))
    parser.add_argument("--node", default="Tip", help="the spring whose tension is swept (default Tip)")
    parser.add_argument("--tensions", default="2,4,10,25,100", help="percentages, comma-separated")
    parser.add_argument("-o", "--output", default="spring_sweep.png", help="the plot (default spring_sweep.png)")
    parser.add_argument("--table", action="store_true", help="print the table even when matplotlib is installed")
    args = parser.parse_args()
    try:
        tensions = [float(t) for t in args.tensions.split(",")]
    except ValueError:
        parser.error(f"--tensions must be numbers separated by commas, not {args.tensions!r}")
    try:
        scene = vantorel.load(args.scene)
        first, last = scene.frames
        heights = sweep(scene, args.node, tensions)
    except (ValueError, KeyError) as e:  # SceneError is a ValueError
        print(f"spring_sweep: {e}", file=sys.stderr)
        sys.exit(2)
    frames = range(first, last + 1)
    if not args.table:
        try:
            plot(frames, heights, args.node, args.output)
            print(f"spring_sweep: {args.output}", file=sys.stderr)
            return
        except ImportError:
            print("spring_sweep: matplotlib is not installed, so here is the table", file=sys.stderr)
    table(frames, heights, sys.stdout)


if __name__ == "__main__":
    main()
