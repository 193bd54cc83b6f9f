#!/usr/bin/env python3
"""Checks rigs for frames where a node's scale crosses zero (the node collapses, then comes
back mirrored): for every node of each scene, the determinant of each frame's 3x3 part (the
product of its scales) is watched for a change of sign or a zero. Prints one line per
crossing and exits with status 1 when there is any, so that a pipeline can stop on it (2 for
a scene that cannot be read).

    PYTHONPATH=build/default/python python3 examples/python/rig_check.py SCENE... [--frames A-B]
"""
import argparse
import sys

import numpy as np

import vantorel


def crossings(scene, frames):
    """(node, what) for each place where a node's scale crosses zero over the frames."""
    frames = list(frames)
    sign = np.sign(np.linalg.det(scene.eval(frames)[:, :, :3, :3]))  # (frames, nodes)
    found = []
    for n, node in enumerate(scene.nodes):
        s, f = sign[:, n], 0
        while f < len(frames):
            if s[f] == 0:  # collapsed, for one frame or a run of them
                end = f
                while end + 1 < len(frames) and s[end + 1] == 0:
                    end += 1
                at = f"frame {frames[f]}" if end == f else f"frames {frames[f]}-{frames[end]}"
                found.append((node.name, f"scale is zero at {at}"))
                f = end + 1
                continue
            if f + 1 < len(frames) and s[f + 1] == -s[f]:
                found.append((node.name, f"scale crosses zero between frames {frames[f]} and {frames[f + 1]}"))
            f += 1
    return found


def frame_range(text):
    try:
        first, _, last = text.partition("-")
        frames = range(int(first), int(last or first) + 1)
    except ValueError:
        frames = range(0)
    if not frames:
        raise argparse.ArgumentTypeError(f"--frames must be A-B with A <= B, not {text!r}")
    return frames


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scenes", nargs="+", metavar="SCENE")
    parser.add_argument("--frames", type=frame_range, help="A-B (default: each scene's range)")
    args = parser.parse_args()
    flagged = False
    for path in args.scenes:
        try:
            scene = vantorel.load(path)
            frames = args.frames or range(scene.frames[0], scene.frames[1] + 1)
            found = crossings(scene, frames)
        except (ValueError, KeyError) as e:  # SceneError is a ValueError
            print(f"rig_check: {e}", file=sys.stderr)
            sys.exit(2)
        for node, what in found:
            print(f"{path}: {node}: {what}")
        if not found:
            print(f"{path}: {len(scene.nodes)} nodes, frames {frames[0]}-{frames[-1]}: no scale crosses zero")
        flagged = flagged or bool(found)
    sys.exit(1 if flagged else 0)


if __name__ == "__main__":
    main()
