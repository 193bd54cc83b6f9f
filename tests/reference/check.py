#!/usr/bin/env python3
"""Checks a node type's output matrices, as `vantorel eval` prints them, against an independent
computation on random scenes.

    check.py MODULE --vantorel PATH [--plugins DIR] [--scenes N] [--seed S] [--keep DIR]

MODULE names a reference module in this folder (for example ref_point2). It offers:
    NODE_TYPE            the node type it checks
    TOLERANCE            largest difference allowed, relative to the matrix scale (default 1e-9)
    make_scene(rng)      -> (scene.Scene, [names of the nodes to check])
    reference(scene, ev, frames, name)
                         -> one expected matrix per frame; ev maps every node's name to its
                            evaluated matrices (the inputs' matrices are read from there).
                            A frame's entry may also be None (only checked to be finite) or a
                            pair (matrix, tolerance) for a frame with a tolerance of its own.
    self_test()          optional: checks the reference itself, run first
    SKIPPED              optional: {reason: count} of frames left out, reported at the end
A module may also record why it left frames unchecked in scene.skipped (a list of texts).
A scene that fails is written to --keep (default: the system's temporary folder) to be run again.
"""
import argparse
import importlib
import os
import random
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scene as sc  # noqa: E402
import vmath  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('module')
    ap.add_argument('--vantorel', required=True)
    ap.add_argument('--plugins')
    ap.add_argument('--scenes', type=int, default=40)
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--keep', default=tempfile.gettempdir())
    ap.add_argument('--verbose', action='store_true')
    args = ap.parse_args()

    mod = importlib.import_module(args.module)
    tolerance = getattr(mod, 'TOLERANCE', 1e-9)
    if hasattr(mod, 'self_test'):
        mod.self_test()
    failures = 0
    worst_all = 0.0
    skipped = 0
    worst_own = 0.0  # frames with a tolerance of their own: the largest difference over it
    for k in range(args.scenes):
        seed = args.seed * 100003 + k
        rng = random.Random(seed)
        scene, names = mod.make_scene(rng)
        ev, frames, _ = sc.evaluate(args.vantorel, scene, plugins=args.plugins)
        for name in names:
            expected = mod.reference(scene, ev, frames, name)
            for i, f in enumerate(frames):
                got = ev[name][i]
                want, tol = expected[i], tolerance
                if isinstance(want, tuple):
                    want, tol = want
                problem = None
                if not sc.finite(got):
                    problem = 'not finite'
                elif want is not None:
                    d = vmath.max_rel_diff(want, got)
                    if tol == tolerance:
                        worst_all = max(worst_all, d)
                    else:
                        worst_own = max(worst_own, d / tol)
                    if not d <= tol:
                        problem = 'differs by %.3g' % d
                if problem:
                    failures += 1
                    path = os.path.join(args.keep, '%s-seed%d.xml' % (mod.NODE_TYPE, seed))
                    with open(path, 'w') as out:
                        out.write(scene.xml())
                    print('%s: node %s frame %s %s (scene kept as %s)' % (mod.NODE_TYPE, name, f, problem, path))
                    if args.verbose and want is not None:
                        print('  expected', want)
                        print('  got     ', got)
                    break
        skipped += len(getattr(scene, 'skipped', []))
        if args.verbose:
            for why in getattr(scene, 'skipped', []):
                print('  not compared: %s' % why)
    if worst_own:
        print('%s: frames with a tolerance of their own: worst difference %.3g of it' % (mod.NODE_TYPE, worst_own))
    if skipped:
        print('%s: %d frame(s) only checked to be finite' % (mod.NODE_TYPE, skipped))
    print('%s: %d scenes, worst relative difference %.3g, %d failing node(s)' % (mod.NODE_TYPE, args.scenes,
                                                                             worst_all, failures))
    left_out = getattr(mod, 'SKIPPED', None)
    if left_out:
        print('%s: frames left out, too close to a jump: %s' % (
            mod.NODE_TYPE, ', '.join('%s %d' % kv for kv in sorted(left_out.items()))))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
