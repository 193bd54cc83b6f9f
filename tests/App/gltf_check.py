#!/usr/bin/env python3
"""Checks `vantorel export` against `vantorel eval` with a glTF reader of its own.

    gltf_check.py --vantorel BIN --examples DIR reader
    gltf_check.py --vantorel BIN --examples DIR validate --validator SCRIPT

reader: every example is exported flat (.glb) and nested (--hierarchy, .gltf) and read back
here: the containers and accessors parsed with json, struct and NumPy alone, every channel
sampled at every frame's time as glTF defines it (LINEAR, quaternions by slerp), T·R·S
composed down the node tree, translations converted back with the scene's metrics, and
compared with eval's matrices. Where a translation, rotation and scale can express a node
(its matrix, or when nested its part under its parent as read here, has square axes and no
perspective) the values agree to single precision and the command calls the node exact;
elsewhere the residual the command prints is the largest difference seen here (and the command
calls a node exact just when every value is within single precision here).

validate: the same files, and one without markers, through the Khronos glTF Validator
(SCRIPT runs it with Node.js); any error or warning fails, and a missing validator skips
(status 77) with the reason.
"""
import argparse
import base64
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SINGLE = 1e-6  # single precision, relative to the largest value of a matrix column (at least 1)


def run(args):
    r = subprocess.run(args, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit('failed (%d): %s\n%s' % (r.returncode, ' '.join(args), r.stderr))
    return r.stdout


def read_container(path):
    """The JSON document and the bytes of buffer 0 of a .glb or a .gltf with an embedded buffer."""
    data = open(path, 'rb').read()
    if path.endswith('.glb'):
        magic, version, length = struct.unpack_from('<4sII', data, 0)
        assert magic == b'glTF' and version == 2 and length == len(data), path
        doc, binary, at = None, b'', 12
        while at < length:
            size, kind = struct.unpack_from('<II', data, at)
            chunk = data[at + 8:at + 8 + size]
            if kind == 0x4E4F534A:
                doc = json.loads(chunk.decode('utf-8'))
            elif kind == 0x004E4942:
                binary = chunk
            at += 8 + size
        return doc, binary
    doc = json.loads(data.decode('utf-8'))
    uri = doc['buffers'][0]['uri'] if doc.get('buffers') else ''
    head, _, payload = uri.partition(';base64,')
    assert not doc.get('buffers') or head.startswith('data:'), 'the buffer is not embedded'
    return doc, base64.b64decode(payload)


def accessor(doc, binary, index):
    import numpy as np
    a = doc['accessors'][index]
    view = doc['bufferViews'][a['bufferView']]
    width = {'SCALAR': 1, 'VEC3': 3, 'VEC4': 4}[a['type']]
    assert a['componentType'] == 5126 and 'byteStride' not in view
    start = view.get('byteOffset', 0) + a.get('byteOffset', 0)
    return np.frombuffer(binary, dtype='<f4', count=a['count'] * width, offset=start).reshape(a['count'], width)


def slerp(a, b, t):
    import numpy as np
    d = float(np.dot(a, b))
    if d < 0.0:  # the shorter way round
        b, d = -b, -d
    if d > 1.0 - 1e-9:
        q = a + t * (b - a)
    else:
        w = np.arccos(d)
        q = (np.sin((1 - t) * w) * a + np.sin(t * w) * b) / np.sin(w)
    return q / np.linalg.norm(q)


def sample(times, values, t, path):
    """The value of a LINEAR sampler at time t (held before the first key and after the last)."""
    import numpy as np
    k = int(np.searchsorted(times, t, side='right')) - 1
    if k < 0:
        return values[0]
    if k >= len(times) - 1:
        return values[-1]
    u = (t - times[k]) / (times[k + 1] - times[k])
    a, b = values[k].astype(float), values[k + 1].astype(float)
    return slerp(a, b, u) if path == 'rotation' else a + u * (b - a)


def trs(t, q, s):
    import numpy as np
    x, y, z, w = q
    r = np.array([[1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)],
                  [2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)],
                  [2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)]])
    m = np.eye(4)
    m[:3, :3] = r * np.asarray(s, float)
    m[:3, 3] = t
    return m


def worlds(doc, binary, frames, fps):
    """Every node's world matrix (scene units) at each frame: shape (frames, nodes, 4, 4)."""
    import numpy as np
    nodes = doc['nodes']
    local = np.zeros((len(frames), len(nodes), 4, 4))
    parts = [[np.array(n.get(k, d), float) for k, d in
              (('translation', [0, 0, 0]), ('rotation', [0, 0, 0, 1]), ('scale', [1, 1, 1]))] for n in nodes]
    channels = [c for a in doc.get('animations', []) for c in
                ((ch, a['samplers'][ch['sampler']]) for ch in a['channels'])]
    paths = ['translation', 'rotation', 'scale']
    for f, frame in enumerate(frames):
        t = (frame - frames[0]) / fps
        now = [list(p) for p in parts]
        for ch, sm in channels:
            assert sm.get('interpolation', 'LINEAR') == 'LINEAR'
            path = ch['target']['path']
            now[ch['target']['node']][paths.index(path)] = sample(
                accessor(doc, binary, sm['input'])[:, 0], accessor(doc, binary, sm['output']), t, path)
        for n, p in enumerate(now):
            local[f, n] = trs(*p)
    parent = {c: i for i, n in enumerate(nodes) for c in n.get('children', [])}
    world = np.zeros_like(local)
    done = set()

    def compose(n):
        if n not in done:
            world[:, n] = local[:, n] if n not in parent else compose(parent[n]) @ local[:, n]
            done.add(n)
        return world[:, n]

    for n in range(len(nodes)):
        compose(n)
    return world, parent


def expressible(m):
    """Whether a translation, rotation and scale give m: no perspective, square non-zero axes."""
    import numpy as np
    if np.any(m[3, :3] != 0) or m[3, 3] != 1:
        return False
    c = m[:3, :3]
    n = np.linalg.norm(c, axis=0)
    if np.any(n == 0):
        return False
    g = c.T @ c
    return all(abs(g[i, j]) <= 1e-9 * n[i] * n[j] for i, j in ((0, 1), (0, 2), (1, 2)))


def metrics(scene):
    m = ET.parse(scene).getroot().find('metrics')
    get = (lambda k: float(m.get(k))) if m is not None else (lambda k: 1 / 12)
    return [get('x'), get('y'), get('z')]


def check_export(vantorel, scene, out, hierarchy):
    import numpy as np
    path = os.path.join(out, 'nested.gltf' if hierarchy else 'flat.glb')
    said = run([vantorel, 'export', scene, '-o', path] + (['--hierarchy'] if hierarchy else []))
    doc, binary = read_container(path)
    names = [n['name'] for n in doc['nodes']]
    first, last = map(int, re.search(r'frames (-?\d+)-(-?\d+) at', said).groups())
    fps = float(re.search(r'at (\S+) frames per second', said).group(1))
    frames = list(range(first, last + 1))
    run([vantorel, 'eval', scene, '--frames', '%d-%d' % (first, last), '--format', 'npy', '-o',
         os.path.join(out, 'eval.npy')] + [a for n in names for a in ('--node', n)])
    a = np.load(os.path.join(out, 'eval.npy'))
    evaluated = a.reshape(len(frames), len(names), 4, 4).transpose(0, 1, 3, 2)
    world, parent = worlds(doc, binary, frames, fps)
    factors = np.array(metrics(scene))
    drawing = world.copy()
    drawing[:, :, :3, 3] *= factors
    scene_units = evaluated.copy()
    scene_units[:, :, :3, 3] /= factors
    failures, expressed = [], 0
    for n, name in enumerate(names):
        line = re.search(r'node "%s": largest residual (\S+) at frame (-?\d+) \(m(\d+)\)(.*)' % re.escape(name), said)
        printed, exact = float(line.group(1)), not line.group(4)
        can = True
        for f in range(len(frames)):
            m = scene_units[f, n] if n not in parent else np.linalg.inv(world[f, parent[n]]) @ scene_units[f, n]
            can = can and expressible(m)
        diff = np.abs(drawing[:, n] - evaluated[:, n])
        size = np.maximum(1.0, np.abs(evaluated[:, n]).max(axis=1, keepdims=True))  # per column
        largest = float(diff.max())
        expressed += can
        within = bool(np.all(diff <= SINGLE * size))
        if can and not (within and exact):
            failures.append('%s: expressible but %s off (printed %s, exact=%s)' % (name, largest, printed, exact))
        elif within != exact:
            failures.append('%s: within single precision %s here, exact %s as printed' % (name, within, exact))
        elif not within and abs(printed - largest) > SINGLE * max(1.0, largest):
            failures.append('%s: printed residual %s, largest difference read back %s' % (name, printed, largest))
    return failures, len(names), expressed


def validate(vantorel, examples, validator):
    if not shutil.which('node'):
        print('Node.js (node) is not installed: scripts/bootstrap installs it; the validator cannot run')
        return 77
    with tempfile.TemporaryDirectory() as out:
        files = []
        for i, name in enumerate(sorted(f for f in os.listdir(examples) if f.endswith('.xml'))):
            stem = os.path.join(out, name[:-4])
            scene = os.path.join(examples, name)
            run([vantorel, 'export', scene, '-o', stem + '.glb'])
            run([vantorel, 'export', scene, '--hierarchy', '-o', stem + '.gltf'])
            files += [stem + '.glb', stem + '.gltf']
            if i == 0:
                run([vantorel, 'export', scene, '--no-markers', '-o', stem + '_bare.glb'])
                files.append(stem + '_bare.glb')
        r = subprocess.run(['node', validator] + files)
        return r.returncode


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--vantorel', required=True)
    ap.add_argument('--examples', required=True)
    ap.add_argument('--validator')
    ap.add_argument('mode', choices=['reader', 'validate'])
    args = ap.parse_args()
    if args.mode == 'validate':
        sys.exit(validate(args.vantorel, args.examples, args.validator))
    failures, checked, expressed = [], 0, 0
    for name in sorted(f for f in os.listdir(args.examples) if f.endswith('.xml')):
        for hierarchy in (False, True):
            with tempfile.TemporaryDirectory() as out:
                f, n, e = check_export(args.vantorel, os.path.join(args.examples, name), out, hierarchy)
                expressed += e
                failures += ['%s%s: %s' % (name, ' --hierarchy' if hierarchy else '', x) for x in f]
                checked += n
    for f in failures:
        print(f)
    print('%d nodes checked (%d that a translation, rotation and scale express), %d failed'
          % (checked, expressed, len(failures)))
    sys.exit(1 if failures else 0)


if __name__ == '__main__':
    main()
