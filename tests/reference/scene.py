"""Random scenes for the reference checks: building them, writing them as scene files, reading
attribute values at a frame the way the host does, and evaluating them with vantorel."""
import json
import math
import os
import subprocess
import tempfile
from xml.sax.saxutils import quoteattr

LINEAR, CONSTANT, SMOOTH = 'linear', 'constant', 'smooth'


class Attr:
    """A number that is either constant or keyed (frame, value, interpolation). Keys hold their
    end values outside their range; a key's interpolation governs the stretch that starts at it."""

    def __init__(self, value=0.0, keys=None):
        self.value = value
        self.keys = sorted(keys or [], key=lambda k: k[0])

    def at(self, frame):
        if not self.keys:
            return self.value
        if frame < self.keys[0][0]:
            return self.keys[0][1]
        for i, (f, v, interp) in enumerate(self.keys):
            nxt = self.keys[i + 1] if i + 1 < len(self.keys) else None
            if f == frame or nxt is None or (f < frame < nxt[0]):
                if f == frame or nxt is None or interp == CONSTANT:
                    return v
                t = (frame - f) / (nxt[0] - f)
                if interp == SMOOTH:
                    return self._bezier(i, t)
                return v + (nxt[1] - v) * t
        raise AssertionError('unreachable')

    def _slope(self, i):
        """Value per frame at key i: the chord over its neighbours, 0 at the first and the last."""
        if i == 0 or i == len(self.keys) - 1:
            return 0.0
        (f0, v0, _), (f1, v1, _) = self.keys[i - 1], self.keys[i + 1]
        return (v1 - v0) / (f1 - f0)

    def _bezier(self, i, t):
        """The smooth stretch from key i as the cubic Bezier curve with the same end slopes,
        evaluated by de Casteljau's construction."""
        (f0, v0, _), (f1, v1, _) = self.keys[i], self.keys[i + 1]
        h = f1 - f0
        p = [v0, v0 + self._slope(i) * h / 3, v1 - self._slope(i + 1) * h / 3, v1]
        while len(p) > 1:
            p = [a + (b - a) * t for a, b in zip(p, p[1:])]
        return p[0]

    def is_key(self, frame):
        return any(f == frame for f, _, _ in self.keys)

    def animated(self):
        return bool(self.keys)

    def xml(self, keyword):
        if not self.keys:
            return '<attr keyword=%s value="%s"/>' % (quoteattr(keyword), _num(self.value))
        rows = ['<attr keyword=%s>' % quoteattr(keyword)]
        for f, v, interp in self.keys:
            rows.append('  <key frame="%s" value="%s" interpolation="%s"/>' % (_num(f), _num(v), interp))
        rows.append('</attr>')
        return '\n'.join(rows)


def _num(v):
    if isinstance(v, bool):
        return 'true' if v else 'false'
    if isinstance(v, int):
        return str(v)
    return repr(float(v))


class Node:
    def __init__(self, type_, name, attrs=None, enabled=True, selected=False):
        self.type = type_
        self.name = name
        self.attrs = dict(attrs or {})  # keyword -> Attr (numbers) or str / bool (local values)
        self.enabled = enabled
        self.selected = selected

    def num(self, keyword, frame, default=0.0):
        a = self.attrs.get(keyword)
        if a is None:
            return default
        return a.at(frame) if isinstance(a, Attr) else a

    def xml(self):
        head = '<node type=%s name=%s' % (quoteattr(self.type), quoteattr(self.name))
        if not self.enabled:
            head += ' enabled="false"'
        if self.selected:
            head += ' selected="true"'
        if not self.attrs:
            return head + '/>'
        rows = [head + '>']
        for kw, a in self.attrs.items():
            if isinstance(a, Attr):
                rows.append(a.xml(kw))
            else:
                rows.append('<attr keyword=%s value=%s/>' % (quoteattr(kw), quoteattr(_num(a) if not isinstance(a, str) else a)))
        rows.append('</node>')
        return '\n'.join(rows)


class Scene:
    def __init__(self, frames=(1, 24), aspect=(16, 9), metrics=(1 / 12, 1 / 12, 1 / 12)):
        self.frames = frames
        self.aspect = aspect
        self.metrics = metrics
        self.camera = None
        self.nodes = []
        self.links = []  # (from, to, toPort, fromPort)

    def add(self, node):
        self.nodes.append(node)
        return node

    def node(self, name):
        return next(n for n in self.nodes if n.name == name)

    def link(self, src, dst, to_port, from_port=0):
        self.links.append((src, dst, to_port, from_port))

    def input(self, name, port):
        """The name of the node linked to input `port` of `name`, or None."""
        for src, dst, to_port, _ in self.links:
            if dst == name and to_port == port:
                return src
        return None

    def to_ogl(self, p):
        return (p[0] * self.metrics[0], p[1] * self.metrics[1], p[2] * self.metrics[2])

    def pivot(self, name, frame):
        """A peg's pivot in scene units, as a pivot visitor finds it (constraint nodes forward to
        the node on their first input; anything else has none)."""
        n = self.node(name)
        if n.type in ('Peg',):
            return (n.num('PIVOT.X', frame), n.num('PIVOT.Y', frame), n.num('PIVOT.Z', frame))
        if n.type == 'Camera':
            return None
        up = self.input(name, 0)
        return self.pivot(up, frame) if up else None

    def xml(self):
        rows = ['<?xml version="1.0" encoding="UTF-8"?>',
                '<scene version="1" frames="%d-%d" aspect="%s:%s">' % (self.frames[0], self.frames[1],
                                                                         _num(self.aspect[0]), _num(self.aspect[1])),
                '<metrics x="%s" y="%s" z="%s"/>' % tuple(_num(v) for v in self.metrics)]
        if self.camera:
            rows.append('<camera node=%s/>' % quoteattr(self.camera))
        rows += [n.xml() for n in self.nodes]
        for src, dst, to_port, from_port in self.links:
            rows.append('<link from=%s to=%s toPort="%d" fromPort="%d"/>' % (quoteattr(src), quoteattr(dst), to_port,
                                                                            from_port))
        rows.append('</scene>')
        return '\n'.join(rows) + '\n'


def evaluate(vantorel, scene, frames=None, nodes=None, plugins=None, keep=None):
    """Runs vantorel eval on the scene; returns ({name: [matrix per frame]}, frames, stderr)."""
    with tempfile.TemporaryDirectory() as tmp:
        path = keep or os.path.join(tmp, 'scene.xml')
        with open(path, 'w') as f:
            f.write(scene.xml())
        cmd = [vantorel, 'eval', path, '--format', 'json']
        if frames:
            cmd += ['--frames', frames]
        for n in nodes or []:
            cmd += ['--node', n]
        if plugins:
            cmd += ['--plugins', plugins]
        run = subprocess.run(cmd, capture_output=True, text=True)
        if run.returncode != 0:
            raise RuntimeError('vantorel failed (%d): %s' % (run.returncode, run.stderr.strip()))
        doc = json.loads(run.stdout)
        return doc['nodes'], doc['frames'], run.stderr


# ---- random pieces ----

def rand_attr(rng, lo, hi, frames, key_chance=0.5, zero_chance=0.0, smooth=False):
    """A constant or keyed number in [lo, hi] (a smooth stretch may swing past its keys, so only
    numbers without a hard range take `smooth`)."""
    def value():
        return 0.0 if rng.random() < zero_chance else rng.uniform(lo, hi)
    if rng.random() >= key_chance:
        return Attr(value())
    n = rng.randint(2, 4)
    fs = sorted(rng.sample(range(frames[0], frames[1] + 1), n))
    kinds = [LINEAR, LINEAR, CONSTANT] + ([SMOOTH, SMOOTH] if smooth else [])
    return Attr(keys=[(f, value(), rng.choice(kinds)) for f in fs])


def random_peg(rng, name, frames, spread=6.0, pivot=True, skew=True, mirror_chance=0.15, depth=True):
    """A peg with random, often animated, position, rotation (every axis), scale (sometimes
    mirrored), skew and pivot, in scene units and degrees."""
    a = {}
    a['POSITION.X'] = rand_attr(rng, -spread, spread, frames, smooth=True)
    a['POSITION.Y'] = rand_attr(rng, -spread, spread, frames, smooth=True)
    if depth:
        a['POSITION.Z'] = rand_attr(rng, -spread / 2, spread / 2, frames, smooth=True)
    a['ROTATION.ANGLEZ'] = rand_attr(rng, -180, 180, frames, smooth=True)
    if depth and rng.random() < 0.5:
        a['ROTATION.ANGLEX'] = rand_attr(rng, -40, 40, frames)
        a['ROTATION.ANGLEY'] = rand_attr(rng, -40, 40, frames)
    sx = rand_attr(rng, 0.5, 2.0, frames)
    if rng.random() < mirror_chance:
        sx = Attr(-sx.at(frames[0]))
    a['SCALE.X'] = sx
    a['SCALE.Y'] = rand_attr(rng, 0.5, 2.0, frames)
    if skew and rng.random() < 0.4:
        a['SKEW'] = rand_attr(rng, -30, 30, frames)
    if pivot:
        a['PIVOT.X'] = Attr(rng.uniform(-spread, spread))
        a['PIVOT.Y'] = Attr(rng.uniform(-spread, spread))
        if depth and rng.random() < 0.3:
            a['PIVOT.Z'] = Attr(rng.uniform(-2, 2))
    return Node('Peg', name, a)


def random_camera(rng, name='Camera'):
    """A camera some way in front of the drawing plane (looking down its own -z), turned a little."""
    a = {
        'POSITION.X': Attr(rng.uniform(-3, 3)),
        'POSITION.Y': Attr(rng.uniform(-3, 3)),
        'POSITION.Z': Attr(rng.uniform(40, 80)),
        'ROTATION.ANGLEX': Attr(rng.uniform(-10, 10)),
        'ROTATION.ANGLEY': Attr(rng.uniform(-10, 10)),
        'ROTATION.ANGLEZ': Attr(rng.uniform(-20, 20)),
        'FOV': Attr(rng.uniform(30, 60)),
    }
    return Node('Camera', name, a)


def random_metrics(rng):
    return rng.choice([(1 / 12, 1 / 12, 1 / 12), (0.0625, 0.0625, 0.05), (0.1, 0.08, 0.125), (1.0, 1.0, 1.0)])


def random_switch(rng, name, frames):
    return Node('Switch', name, {'ACTIVE': rand_attr(rng, 0, 100, frames, zero_chance=0.15)})


def camera_setup(scene, eval_out, frame_index, frame):
    """(camera matrix, perspective matrix) at the frame, from the camera's evaluated matrix."""
    import shared
    cam = scene.node(scene.camera)
    camera = eval_out[scene.camera][frame_index]
    projection = shared.perspective(cam.num('FOV', frame, 41.112), scene.aspect[0], scene.aspect[1],
                                    cam.num('NEAR', frame, 0.1), cam.num('FAR', frame, 1000.0))
    return camera, projection


def finite(m):
    return all(v is not None and math.isfinite(v) for v in m)
