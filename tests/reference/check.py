#!/usr/bin/env python3
"""Checks a node type's output matrices, as `vantorel eval` prints them, against an independent
computation on random scenes.

    check.py MODULE --vantorel PATH [--plugins DIR] [--scenes N] [--seed S] [--keep DIR] [--verbose]

MODULE names a reference module in this folder (for example ref_point2). It offers:
    NODE_TYPE            the node type it checks
    TOLERANCE            largest difference allowed, relative to the matrix scale (default 1e-9)
    make_scene(rng)      -> (scene.Scene, [names of the nodes to check])
    reference(scene, ev, frames, name)
                         -> one expected matrix per frame; ev maps every node's name to its
                            evaluated matrices (the inputs' matrices are read from there).
                            A frame's entry may also be None (not compared, only checked to be
                            finite: a decision at a threshold) or a pair (matrix, tolerance) for
                            a frame with a tolerance of its own.
and may offer:
    self_test()          checks the reference itself, run first
    reference_with_allowance(scene, ev, frames, name)
                         -> (expected matrices, extra allowance per frame), used instead of
                            reference, for results that a few-ulp change of the inputs moves
    extra_checks(vantorel, scene, ev, frames, names, plugins, rng)
                         -> problems found by further runs of vantorel on the scene (frames
                            asked in another order, an edited copy), as strings
    SKIPPED              {reason: count} of frames left out, reported at the end
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


def keep(args, mod, scene, seed):
    path = os.path.join(args.keep, '%s-seed%d.xml' % (mod.NODE_TYPE, seed))
    with open(path, 'w') as out:
        out.write(scene.xml())
    return path


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
    with_allowance = getattr(mod, 'reference_with_allowance', None)
    extra_checks = getattr(mod, 'extra_checks', None)
    if hasattr(mod, 'self_test'):
        mod.self_test()
    failures = 0
    worst_all = 0.0
    worst_own = 0.0  # frames with a tolerance of their own: the largest difference over it
    uncompared = 0
    for k in range(args.scenes):
        seed = args.seed * 100003 + k
        rng = random.Random(seed)
        scene, names = mod.make_scene(rng)
        ev, frames, _ = sc.evaluate(args.vantorel, scene, plugins=args.plugins)
        for name in names:
            if with_allowance:
                expected, allowance = with_allowance(scene, ev, frames, name)
            else:
                expected, allowance = mod.reference(scene, ev, frames, name), [0.0] * len(frames)
            uncompared += sum(1 for e in expected if e is None)
            for i, f in enumerate(frames):
                got = ev[name][i]
                want, tol = expected[i], tolerance + allowance[i]
                own = isinstance(want, tuple)
                if own:
                    want, tol = want
                problem = None
                if not sc.finite(got):
                    problem = 'not finite'
                elif want is not None:
                    d = vmath.max_rel_diff(want, got)
                    if own:
                        worst_own = max(worst_own, d / tol)
                    else:
                        worst_all = max(worst_all, d)
                    if not d <= tol:
                        problem = 'differs by %.3g (allowed %.3g)' % (d, tol)
                if problem:
                    failures += 1
                    path = keep(args, mod, scene, seed)
                    print('%s: node %s frame %s %s (scene kept as %s)' % (mod.NODE_TYPE, name, f, problem, path))
                    if args.verbose and want is not None:
                        print('  expected', want)
                        print('  got     ', got)
                    break
        if extra_checks:
            for problem in extra_checks(args.vantorel, scene, ev, frames, names, args.plugins, rng):
                failures += 1
                print('%s: %s (scene kept as %s)' % (mod.NODE_TYPE, problem, keep(args, mod, scene, seed)))
        uncompared += len(getattr(scene, 'skipped', []))
        if args.verbose:
            for why in getattr(scene, 'skipped', []):
                print('  not compared: %s' % why)
    if worst_own:
        print('%s: frames with a tolerance of their own: worst difference %.3g of it' % (mod.NODE_TYPE, worst_own))
    if uncompared:
        print('%s: %d frame(s) not compared (a decision at a threshold), only checked to be finite' % (
            mod.NODE_TYPE, uncompared))
    left_out = getattr(mod, 'SKIPPED', None)
    if left_out:
        print('%s: frames left out, too close to a jump: %s' % (
            mod.NODE_TYPE, ', '.join('%s %d' % kv for kv in sorted(left_out.items()))))
    print('%s: %d scenes, worst relative difference %.3g, %d failing node(s)' % (mod.NODE_TYPE, args.scenes,
                                                                             worst_all, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
