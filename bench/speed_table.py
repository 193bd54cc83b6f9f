#!/usr/bin/env python3
"""Measures, in one run on this machine, what the README's speed table shows.

    bench/speed_table.py [--build build/default] [--repeat 5] [--quick]

1. Each node type's net cost per frame through `vantorel eval`: 100 copies of the node over 1 000
   frames, each reading animated pegs with a peg under it (bench/node_rig.py; the spring: one
   above every peg of scripts/make_rig's rig), evaluated for the pegs only, minus the same rig
   without the nodes; CPU time (user + system) of whole runs, the least of --repeat (taken in
   turn with the rig without), divided by 100 000 node-frames. Beside it the node's
   in-process benchmark and its arithmetic alone (the floor), from the Google Benchmark binaries;
   for the spring also its benchmark with the peg moving at every frame.
2. Node-frames per second per output format of 100-, 1 000- and 10 000-peg rigs (one million
   node-frames each: 10 000, 1 000 and 100 frames) and of a crowd of 100 characters of 100 pegs
   each over 100 frames, with the peak memory of the run and the time to load the rig (one frame
   of one peg, minus the same for a one-peg rig), per peg.
3. The speed-up of --jobs 2 over --jobs 1 to npy on the 100-peg rig over 10 000 frames (wall time),
   to a file on disk and to one in memory (/dev/shm, where there is one).

Everything is printed as Markdown tables on standard output; progress goes to standard error.
"""
import argparse
import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Node type, the benchmark of one frame of it in process, and the benchmark of its arithmetic alone.
NODES = [
    ('StaticConstraint', 'bench_transform_controls', 'BM_StaticConstraintFrame$', None),
    ('Switch', 'bench_transform_controls', 'BM_SwitchFrame$', None),
    ('TransformGate', 'bench_transform_controls', 'BM_TransformGateBlendFrame$', None),
    ('PointConstraint2', 'bench_point_constraints', 'BM_PointConstraint2Frame$', 'BM_SegmentMapFloor/1$'),
    ('PointConstraint3', 'bench_point_constraints', 'BM_PointConstraint3FrameWithSwitch$',
     'BM_TriangleResultFloor$'),
    ('TransformLimit', 'bench_transform_limit', 'BM_TransformLimitFrame/2$', 'BM_TransformLimitComputation/2$'),
    ('DynamicSpring', 'bench_dynamic_spring', 'BM_SpringScrubForward/moving:0$', None),
]


# One thread, where eval takes --jobs (its default is every core).
ONE = []


def log(message):
    sys.stderr.write(message + '\n')
    sys.stderr.flush()


def run(cmd, stdout=subprocess.DEVNULL):
    """CPU seconds (user + system), wall seconds and peak memory (KiB) of one whole command."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    err = proc.stderr.read().decode(errors='replace')
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit('speed_table: %s failed:\n%s' % (' '.join(cmd), err))
    return usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss


def least(cmd, repeat):
    """The least CPU time, the least wall time and the largest peak memory over `repeat` runs."""
    runs = [run(cmd) for _ in range(repeat)]
    return min(r[0] for r in runs), min(r[1] for r in runs), max(r[2] for r in runs)


def make_rig(path, pegs, frames, with_type=None, characters=1):
    cmd = [sys.executable, os.path.join(ROOT, 'scripts', 'make_rig'), '--pegs', str(pegs), '--frames', str(frames),
           '--characters', str(characters)]
    if with_type:
        cmd += ['--with', with_type]
    with open(path, 'w') as out:
        subprocess.run(cmd, stdout=out, check=True)


def benchmark(build, binary, name):
    """CPU time in microseconds of one Google Benchmark, the median of three repetitions; per item
    for a benchmark that counts items (frames), per iteration otherwise."""
    if not name:
        return None
    exe = os.path.join(build, 'bin', binary)
    out = subprocess.run([exe, '--benchmark_filter=' + name, '--benchmark_repetitions=3',
                          '--benchmark_report_aggregates_only=true', '--benchmark_format=json'],
                         capture_output=True, text=True, check=True).stdout
    for b in json.loads(out)['benchmarks']:
        if b.get('aggregate_name') == 'median':
            if b.get('items_per_second'):
                return 1e6 / b['items_per_second']
            scale = {'ns': 1e-3, 'us': 1.0, 'ms': 1e3, 's': 1e6}[b['time_unit']]
            return b['cpu_time'] * scale
    return None


def peg_names(pegs):
    args = []
    for i in range(pegs):
        args += ['--node', 'Peg%d' % i]
    return args


def net_cost(vantorel, work, repeat, with_scene, without_scene, nodes):
    """The least CPU time of the rig with the nodes minus the least without, runs taken in turn so
    that the machine's drift falls on both alike."""
    times = {True: [], False: []}
    for _ in range(repeat):
        for with_node, scene in ((True, with_scene), (False, without_scene)):
            cmd = [vantorel, 'eval', scene, '--frames', '1-1000', '-o', os.path.join(work, 'net.npy')] + ONE + nodes
            times[with_node].append(run(cmd)[0])
    return min(times[True]) - min(times[False])


def node_costs(vantorel, build, work, repeat):
    log('net cost of each node through eval (100 nodes over 1 000 frames)')
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import node_rig
    rows = []
    for node, binary, frame_bench, floor_bench in NODES:
        scenes = []
        for with_node in (True, False):
            path = os.path.join(work, '%s_%d.xml' % (node, with_node))
            if node == 'DynamicSpring':
                make_rig(path, 100, 1000, node if with_node else None)
            else:
                with open(path, 'w') as f:
                    f.write(node_rig.rig(node, 100, 1000, [], with_node))
            scenes.append(path)
        if node == 'DynamicSpring':
            nodes = peg_names(100)
        else:
            nodes = []
            for i in range(100):
                nodes += ['--node', 'Child%d' % i]
                nodes += [a for k in range(node_rig.INPUTS[node]) for a in ('--node', 'P%d_%d' % (i, k))]
        net = max(net_cost(vantorel, work, repeat, scenes[0], scenes[1], nodes), 0.0) / 100000 * 1e6
        rows.append((node, net, benchmark(build, binary, frame_bench), benchmark(build, binary, floor_bench)))
        log('  %s: %.2f us' % (node, net))
    return rows


def rig_rates(vantorel, work, repeat, quick):
    # (pegs a character, characters, frames)
    sizes = [(100, 1, 10000), (1000, 1, 1000)] + ([] if quick else [(10000, 1, 100), (100, 100, 100)])
    one = os.path.join(work, 'one.xml')
    make_rig(one, 1, 10)
    load_base = least([vantorel, 'eval', one, '--frames', '1', '--node', 'Peg0', '-o', os.devnull] + ONE, repeat)[0]
    rows = []
    for each, characters, frames in sizes:
        pegs = each * characters
        log('rig of %d pegs over %d frames' % (pegs, frames))
        rig = os.path.join(work, 'rig%dx%d.xml' % (characters, each))
        make_rig(rig, each, frames, characters=characters)
        load = least([vantorel, 'eval', rig, '--frames', '1', '--node', 'Peg0', '-o', os.devnull] + ONE, repeat)
        row = {'pegs': pegs, 'each': each, 'characters': characters, 'frames': frames,
               'load_us': max(load[0] - load_base, 0.0) / pegs * 1e6}
        for fmt in ('csv', 'npy'):
            cpu, _, rss = least([vantorel, 'eval', rig, '--frames', '1-%d' % frames, '--format', fmt,
                                 '-o', os.path.join(work, 'out.' + fmt)] + ONE, repeat)
            row[fmt] = pegs * frames / cpu / 1e6
            # The same without reading the rig: evaluation and writing alone.
            row[fmt + '_eval'] = pegs * frames / max(cpu - load[0], 1e-9) / 1e6
            row['rss_' + fmt] = rss / 1024.0
        rows.append(row)
    return rows


def jobs_speedup(vantorel, work, repeat):
    log('--jobs 2 against --jobs 1')
    rig = os.path.join(work, 'rig100.xml')
    if not os.path.exists(rig):
        make_rig(rig, 100, 10000)
    probe = subprocess.run([vantorel, 'eval', rig, '--frames', '1', '--jobs', '1', '-o', os.devnull],
                           capture_output=True)
    if probe.returncode != 0:
        return None
    # The file on disk, as a user writes it, and in memory (/dev/shm), where the disk's own speed
    # (128 MB written and synced) does not cap what the threads gain.
    places = [('to a file on disk', work)]
    if os.path.isdir('/dev/shm') and os.access('/dev/shm', os.W_OK):
        places.append(('to a file in memory', tempfile.mkdtemp(dir='/dev/shm')))
    results = []
    for label, folder in places:
        walls = {}
        for jobs in (1, 2):
            walls[jobs] = least([vantorel, 'eval', rig, '--frames', '1-10000', '--format', 'npy', '--jobs',
                                 str(jobs), '-o', os.path.join(folder, 'jobs.npy')], repeat)[1]
        if folder != work:
            shutil.rmtree(folder)
        results.append((label, walls[1], walls[2]))
    return results


def fmt(v, digits=2):
    return '' if v is None else ('%.*f' % (digits, v))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--build', default=os.path.join(ROOT, 'build', 'default'))
    ap.add_argument('--repeat', type=int, default=5)
    ap.add_argument('--quick', action='store_true', help='leave out the 10 000-peg rig')
    args = ap.parse_args()
    vantorel = os.path.join(args.build, 'bin', 'vantorel')
    if not os.access(vantorel, os.X_OK):
        raise SystemExit('speed_table: no vantorel at %s (build first: make build)' % vantorel)
    probe = subprocess.run([vantorel, 'eval', '--jobs', '1'], capture_output=True, text=True)
    if 'jobs' not in probe.stderr:
        ONE.extend(['--jobs', '1'])
    with tempfile.TemporaryDirectory() as work:
        nodes = node_costs(vantorel, args.build, work, args.repeat)
        rigs = rig_rates(vantorel, work, args.repeat, args.quick)
        jobs = jobs_speedup(vantorel, work, args.repeat)
    # The spring's benchmark rests its peg from frame 50 on; the rig's pegs move at every frame.
    moving = benchmark(args.build, 'bench_dynamic_spring', 'BM_SpringScrubForward/moving:1$')
    print('| node | net per frame through eval | in-process benchmark | arithmetic alone |')
    print('|---|---|---|---|')
    for node, net, frame, floor in nodes:
        print('| %s | %s us | %s us | %s |' % (node, fmt(net), fmt(frame), fmt(floor) + ' us' if floor else ''))
    print()
    print('DynamicSpring, its benchmark with the peg moving at every frame: %s us' % fmt(moving))
    print()
    print('| pegs x frames | CSV, M node-frames/s | npy, M node-frames/s | the same, loading left out | '
          'peak memory | load per peg |')
    print('|---|---|---|---|---|---|')
    for r in rigs:
        label = '%d x %d' % (r['pegs'], r['frames']) if r['characters'] == 1 else \
            '%d characters of %d x %d' % (r['characters'], r['each'], r['frames'])
        print('| %s | %s | %s | %s / %s | %.0f MB | %.0f us |' %
              (label, fmt(r['csv']), fmt(r['npy']), fmt(r['csv_eval']), fmt(r['npy_eval']),
               r['rss_npy'], r['load_us']))
    if jobs:
        print()
        for label, one, two in jobs:
            print('--jobs 2 against --jobs 1, 100 pegs x 10 000 frames to npy %s: %.2f s and %.2f s wall, %.2fx' %
                  (label, one, two, one / two))


if __name__ == '__main__':
    main()
