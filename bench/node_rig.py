#!/usr/bin/env python3
"""Net cost per frame of one node type through `vantorel eval`.

    node_rig.py TYPE [--copies N] [--frames F] [--runs R] [--set KEYWORD=VALUE]... [--vantorel BIN]
    node_rig.py TYPE --write-only [--without] ...      # prints the scene instead

Writes two rigs of N copies (default 100) over F frames (default 1000): in each copy a child peg
hangs from the node, which reads animated pegs (two for two-points, three for three-points, one
for the others; the limit's peg hangs from a parent of its own); the rig "without" hangs the
child straight from the first peg. Both are evaluated for the child and input pegs to npy, R
times each (default 7); the least CPU time (user + system of the child process) of each is kept, and
the difference divided by N x F is the node's net cost per frame.

With --instructions both run once under callgrind and the net count of instructions per node-frame
is printed instead (use fewer frames: callgrind is some 50 times slower).

TYPE is one of StaticConstraint, Switch (a switch driving a gate, against the same gate
without it), TransformGate, PointConstraint2, PointConstraint3, TransformLimit.
--set gives the node an attribute value (repeatable), as a scene file writes it.
"""
import argparse
import os
import re
import resource
import subprocess
import sys
import tempfile

INPUTS = {'StaticConstraint': 1, 'Switch': 2, 'TransformGate': 2, 'PointConstraint2': 2,
          'PointConstraint3': 3, 'TransformLimit': 1}


def animated_peg(name, i, k, frames):
    """A peg keyed at the first and last frame, its pivot spread so that no two coincide."""
    return ['  <node type="Peg" name="%s">' % name,
            '    <attr keyword="PIVOT.X" value="%r"/>' % (-6.0 + 6.0 * k),
            '    <attr keyword="PIVOT.Y" value="%r"/>' % (2.0 * (k % 2) - 1.0),
            '    <attr keyword="POSITION.X"><key frame="1" value="%r"/>'
            '<key frame="%d" value="%r"/></attr>' % (0.01 * i, frames, 4.0 + k),
            '    <attr keyword="ROTATION.ANGLEZ"><key frame="1" value="0"/>'
            '<key frame="%d" value="%r"/></attr>' % (frames, 30.0 + 5 * k),
            '  </node>']


def rig(node_type, copies, frames, settings, with_node):
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<scene version="1" frames="1-%d" aspect="16:9">' % frames]
    links = []
    for i in range(copies):
        pegs = ['P%d_%d' % (i, k) for k in range(INPUTS[node_type])]
        for k, peg in enumerate(pegs):
            out += animated_peg(peg, i, k, frames)
        if node_type == 'TransformLimit':
            out += animated_peg('Parent%d' % i, i, 3, frames)
            links.append(('Parent%d' % i, pegs[0], 0))
        child = 'Child%d' % i
        out.append('  <node type="Peg" name="%s"/>' % child)
        kind = 'TransformGate' if node_type == 'Switch' else node_type
        if with_node or node_type == 'Switch':
            out.append('  <node type="%s" name="Node%d">' % (kind, i))
            for keyword, value in settings:
                out.append('    <attr keyword="%s" value="%s"/>' % (keyword, value))
            out.append('  </node>')
            links += [(peg, 'Node%d' % i, k) for k, peg in enumerate(pegs)]
            links.append(('Node%d' % i, child, 0))
            if node_type == 'Switch' and with_node:
                out.append('  <node type="Switch" name="Switch%d"><attr keyword="ACTIVE" value="100"/></node>' % i)
                links.append(('Switch%d' % i, 'Node%d' % i, 2))
        else:
            links.append((pegs[0], child, 0))
    out += ['  <link from="%s" to="%s" toPort="%d"/>' % link for link in links]
    out.append('</scene>')
    return '\n'.join(out) + '\n'


def cpu_time(cmd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def instructions(cmd):
    """Instructions executed, counted by callgrind: steady where CPU time on a busy machine is not."""
    run = subprocess.run(['valgrind', '--tool=callgrind', '--callgrind-out-file=/dev/null'] + cmd,
                         check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    match = re.search(r'refs:\s*([\d,]+)', run.stderr)
    if not match:
        sys.exit('node_rig.py: callgrind printed no instruction count')
    return int(match.group(1).replace(',', ''))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('type', choices=sorted(INPUTS))
    ap.add_argument('--copies', type=int, default=100)
    ap.add_argument('--frames', type=int, default=1000)
    ap.add_argument('--runs', type=int, default=7)
    ap.add_argument('--set', action='append', default=[], metavar='KEYWORD=VALUE')
    ap.add_argument('--vantorel', default='build/default/bin/vantorel')
    ap.add_argument('--write-only', action='store_true')
    ap.add_argument('--without', action='store_true')
    ap.add_argument('--instructions', action='store_true',
                    help='count instructions under callgrind (one run each) instead of timing')
    args = ap.parse_args()
    if args.copies < 1 or args.frames < 1 or args.runs < 1:
        ap.error('--copies, --frames and --runs must be at least 1')
    settings = []
    for item in args.set:
        if '=' not in item:
            ap.error('--set takes KEYWORD=VALUE, not %r' % item)
        settings.append(tuple(item.split('=', 1)))
    if args.write_only:
        sys.stdout.write(rig(args.type, args.copies, args.frames, settings, not args.without))
        return
    with tempfile.TemporaryDirectory() as tmp:
        best = {}
        for label, with_node in (('with', True), ('without', False)):
            scene = os.path.join(tmp, label + '.xml')
            with open(scene, 'w') as f:
                f.write(rig(args.type, args.copies, args.frames, settings, with_node))
            # One thread: the figure is a node's cost, not a second thread's copy of the scene.
            cmd = [args.vantorel, 'eval', scene, '--frames', '1-%d' % args.frames, '--jobs', '1',
                   '-o', os.path.join(tmp, 'o.npy')]
            for i in range(args.copies):
                cmd += ['--node', 'Child%d' % i]
                cmd += [arg for k in range(INPUTS[args.type]) for arg in ('--node', 'P%d_%d' % (i, k))]
            if args.instructions:
                best[label] = instructions(cmd)
            else:
                best[label] = min(cpu_time(cmd) for _ in range(args.runs))
        if args.instructions:
            net = (best['with'] - best['without']) / (args.copies * args.frames)
            print('%s: with %d, without %d instructions, net %.0f per node-frame'
                  % (args.type, best['with'], best['without'], net))
            return
        net = (best['with'] - best['without']) / (args.copies * args.frames) * 1e6
        print('%s: with %.3f s, without %.3f s, net %.3f us per node-frame'
              % (args.type, best['with'], best['without'], net))


if __name__ == '__main__':
    main()
