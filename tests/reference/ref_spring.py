#!/usr/bin/env python3
"""Reference for the dynamic spring: the input, expressed in the space of a static parent (a
static input, or an ancestor found by count or by name), is split into translation, scale, skew
and a rotation quaternion; each channel follows its target frame after frame with a tension and
an inertia; the activity blends the free spring towards the input; the result is put back
together about the dynamic peg's pivot and carried into the parent's space.

The simulation runs forward from frame 1, the way the node fills its history: each frame takes
the previous frame's state. Run on its own (python3 ref_spring.py) it checks itself against the
node's stated results and closed forms.

Where a decision of the computation sits at a threshold (a handedness judged in single
precision, the scale guard's near-zero region, the output's zero-scale guard, the rotation
velocity's dead zone) the frames from there on are not compared. Where the rotation's
decomposition is ill-conditioned (a quaternion component made of rounding noise, as in any
rotation about a single axis), each frame's allowance is how far the result moves when the
inputs change by a few ulps.
"""
import copy
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scene as sc  # noqa: E402
import shared  # noqa: E402
import vmath  # noqa: E402
from vmath import DEG, identity, mul  # noqa: E402

NODE_TYPE = 'DynamicSpring'
TOLERANCE = 1e-9

# How many runs with inputs moved by a few ulps measure a frame's sensitivity, and how far past
# the largest movement seen the comparison still accepts.
PERTURBED_RUNS = 6
PERTURBATION_ULPS = 4
ALLOWANCE_FACTOR = 3.0

CHANNEL_ATTRS = ('TENSIONX', 'INERTIAX', 'TENSIONY', 'INERTIAY', 'TENSIONZ', 'INERTIAZ', 'TENSIONSCALE',
                 'INERTIASCALE', 'TENSIONSKEW', 'INERTIASKEW', 'TENSIONROTATE', 'INERTIAROTATE')
DEFAULTS = {'ACTIVE': 100.0, 'PIGNORE': 0.0, 'PARENTNAME': '', 'MATCHEXPOSURES': False}
for _kw in CHANNEL_ATTRS:
    DEFAULTS[_kw] = 7.0 if _kw.startswith('TENSION') else 80.0


class KnifeEdge(Exception):
    """A decision of the computation that a few ulps could turn either way."""

    def __init__(self, reason):
        Exception.__init__(self, reason)
        self.reason = reason


# ---- the host's arithmetic, in the host's order of operations ----

def host_inverse(m):
    """Laplace expansion along the row pairs, as the host inverts; raises vmath.Singular."""
    def a(r, c):
        return m[c * 4 + r]
    s = [a(0, 0) * a(1, 1) - a(1, 0) * a(0, 1), a(0, 0) * a(1, 2) - a(1, 0) * a(0, 2),
         a(0, 0) * a(1, 3) - a(1, 0) * a(0, 3), a(0, 1) * a(1, 2) - a(1, 1) * a(0, 2),
         a(0, 1) * a(1, 3) - a(1, 1) * a(0, 3), a(0, 2) * a(1, 3) - a(1, 2) * a(0, 3)]
    c = [0.0] * 6
    c[5] = a(2, 2) * a(3, 3) - a(3, 2) * a(2, 3)
    c[4] = a(2, 1) * a(3, 3) - a(3, 1) * a(2, 3)
    c[3] = a(2, 1) * a(3, 2) - a(3, 1) * a(2, 2)
    c[2] = a(2, 0) * a(3, 3) - a(3, 0) * a(2, 3)
    c[1] = a(2, 0) * a(3, 2) - a(3, 0) * a(2, 2)
    c[0] = a(2, 0) * a(3, 1) - a(3, 0) * a(2, 1)
    det = s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0]
    if det == 0.0 or not math.isfinite(det):
        raise vmath.Singular()
    inv = 1.0 / det
    b = [0.0] * 16
    b[0] = (a(1, 1) * c[5] - a(1, 2) * c[4] + a(1, 3) * c[3]) * inv
    b[4] = (-a(0, 1) * c[5] + a(0, 2) * c[4] - a(0, 3) * c[3]) * inv
    b[8] = (a(3, 1) * s[5] - a(3, 2) * s[4] + a(3, 3) * s[3]) * inv
    b[12] = (-a(2, 1) * s[5] + a(2, 2) * s[4] - a(2, 3) * s[3]) * inv
    b[1] = (-a(1, 0) * c[5] + a(1, 2) * c[2] - a(1, 3) * c[1]) * inv
    b[5] = (a(0, 0) * c[5] - a(0, 2) * c[2] + a(0, 3) * c[1]) * inv
    b[9] = (-a(3, 0) * s[5] + a(3, 2) * s[2] - a(3, 3) * s[1]) * inv
    b[13] = (a(2, 0) * s[5] - a(2, 2) * s[2] + a(2, 3) * s[1]) * inv
    b[2] = (a(1, 0) * c[4] - a(1, 1) * c[2] + a(1, 3) * c[0]) * inv
    b[6] = (-a(0, 0) * c[4] + a(0, 1) * c[2] - a(0, 3) * c[0]) * inv
    b[10] = (a(3, 0) * s[4] - a(3, 1) * s[2] + a(3, 3) * s[0]) * inv
    b[14] = (-a(2, 0) * s[4] + a(2, 1) * s[2] - a(2, 3) * s[0]) * inv
    b[3] = (-a(1, 0) * c[3] + a(1, 1) * c[1] - a(1, 2) * c[0]) * inv
    b[7] = (a(0, 0) * c[3] - a(0, 1) * c[1] + a(0, 2) * c[0]) * inv
    b[11] = (-a(3, 0) * s[3] + a(3, 1) * s[1] - a(3, 2) * s[0]) * inv
    b[15] = (a(2, 0) * s[3] - a(2, 1) * s[1] + a(2, 2) * s[0]) * inv
    return b


def translation(x, y, z):
    return [1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, x, y, z, 1.0]


def rotation_degrees(angle, axis):
    """Rodrigues' formula with the diagonal spelt k^2 + (1 - k^2) cos, as the host rotates."""
    a = angle * DEG
    n = math.sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2])
    kx, ky, kz = axis[0] / n, axis[1] / n, axis[2] / n
    c, s = math.cos(a), math.sin(a)
    t = 1.0 - c
    xx, yy, zz = kx * kx, ky * ky, kz * kz
    return [xx + (1.0 - xx) * c, t * kx * ky + s * kz, t * kx * kz - s * ky, 0.0,
            t * kx * ky - s * kz, yy + (1.0 - yy) * c, t * ky * kz + s * kx, 0.0,
            t * kx * kz + s * ky, t * ky * kz - s * kx, zz + (1.0 - zz) * c, 0.0,
            0.0, 0.0, 0.0, 1.0]


def skew_matrix(angle):
    a = angle * DEG
    return [1.0, 0.0, 0.0, 0.0, math.sin(a), math.cos(a), 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0]


def scale_matrix(x, y, z):
    return [x, 0.0, 0.0, 0.0, 0.0, y, 0.0, 0.0, 0.0, 0.0, z, 0.0, 0.0, 0.0, 0.0, 1.0]


def vlength(v):
    return math.sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])


def vnormalize(v):
    n = vlength(v)
    return (v[0] / n, v[1] / n, v[2] / n) if n > 0.0 else v


def vdot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


# ---- quaternions (w, x, y, z) ----

QI = (1.0, 0.0, 0.0, 0.0)


def qnormalized(q):
    n = math.sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3])
    if not n > 0.0:
        return QI
    return (q[0] / n, q[1] / n, q[2] / n, q[3] / n)


def hamilton(a, b):
    """The Hamilton product a·b (apply b, then a), written as the node's own product is."""
    return (a[0] * b[0] - (a[1] * b[1] + a[2] * b[2] + a[3] * b[3]),
            a[0] * b[1] + b[0] * a[1] + a[2] * b[3] - a[3] * b[2],
            a[0] * b[2] + b[0] * a[2] + a[3] * b[1] - a[1] * b[3],
            a[0] * b[3] + b[0] * a[3] + a[1] * b[2] - a[2] * b[1])


def then(a, b):
    """The host's product a * b: rotation a followed by rotation b."""
    return hamilton(b, a)


def qangle(q):
    """The rotation angle of a quaternion in radians, in [0, 2 pi]."""
    w = qnormalized(q)[0]
    return 2.0 * math.acos(min(max(w, -1.0), 1.0))


def slerp(a, b, t):
    """Along the shorter arc from a (t = 0) to b (t = 1); normalised linear below 1e-6 radians."""
    p = qnormalized(a)
    q = qnormalized(b)
    cos_angle = p[0] * q[0] + p[1] * q[1] + p[2] * q[2] + p[3] * q[3]
    if cos_angle < 0.0:
        q = (-q[0], -q[1], -q[2], -q[3])
        cos_angle = -cos_angle
    angle = math.acos(min(cos_angle, 1.0))
    wp, wq = 1.0 - t, t
    if angle >= 1e-6:
        s = math.sin(angle)
        wp = math.sin((1.0 - t) * angle) / s
        wq = math.sin(t * angle) / s
    r = tuple(wp * p[i] + wq * q[i] for i in range(4))
    return r if angle >= 1e-6 else qnormalized(r)


def quat_matrix(q):
    w, x, y, z = qnormalized(q)
    xx, yy, zz = x * x, y * y, z * z
    xy, xz, yz = x * y, x * z, y * z
    wx, wy, wz = w * x, w * y, w * z
    return [1.0 - 2.0 * (yy + zz), 2.0 * (xy + wz), 2.0 * (xz - wy), 0.0,
            2.0 * (xy - wz), 1.0 - 2.0 * (xx + zz), 2.0 * (yz + wx), 0.0,
            2.0 * (xz + wy), 2.0 * (yz - wx), 1.0 - 2.0 * (xx + yy), 0.0,
            0.0, 0.0, 0.0, 1.0]


# ---- the spring's channels ----

def mirror_margin(m):
    """How far the handedness test of a matrix is from turning over, in its own terms (the
    angle from X to Y in the plane against 0 and pi, and Z's depth against 0), and whether the
    single-precision verdict agrees with the same test in double precision."""
    cols = [vnormalize((m[4 * c], m[4 * c + 1], m[4 * c + 2])) for c in range(3)]
    X, Y, Z = cols
    d = math.fmod(math.atan2(Y[1], Y[0]) - math.atan2(X[1], X[0]) + 4 * math.pi, 2 * math.pi) - math.pi
    double_verdict = (d > 0 and Z[2] >= 0) or (d <= 0 and Z[2] < 0)
    margin = min(abs(d), abs(math.pi - abs(d)), abs(Z[2]))
    return margin, double_verdict == shared.is_mirrored(m)


def decompose(m, guard=True):
    """(translation, scale, rotation quaternion, skew in degrees) of a matrix, as the spring
    reads its target."""
    mirrored = shared.is_mirrored(m)
    if guard:
        margin, agree = mirror_margin(m)
        if margin < 1e-4 or not agree:
            raise KnifeEdge('handedness of the target at %.3g from turning over' % margin)
    v = list(m)
    if mirrored:
        v = mul(v, scale_matrix(-1.0, 1.0, 1.0))
    for i in (0, 5, 10):
        if v[i] == 0.0:
            v[i] = 0.0001
    t = (v[12], v[13], v[14])
    r0, r1, r2 = (v[0], v[1], v[2]), (v[4], v[5], v[6]), (v[8], v[9], v[10])
    sx, sy, sz = vlength(r0), vlength(r1), vlength(r2)
    r0 = vnormalize(r0)
    hxy = vdot(r0, r1)
    r1 = (r1[0] - hxy * r0[0], r1[1] - hxy * r0[1], r1[2] - hxy * r0[2])
    hxy = hxy / vlength(r1)
    r1 = vnormalize(r1)
    hxz = vdot(r0, r2)
    r2 = (r2[0] - hxz * r0[0], r2[1] - hxz * r0[1], r2[2] - hxz * r0[2])
    hyz = vdot(r1, r2)
    r2 = (r2[0] - hyz * r1[0], r2[1] - hyz * r1[1], r2[2] - hyz * r1[2])
    n2 = vlength(r2)
    hxz = hxz / n2
    hyz = hyz / n2
    r2 = vnormalize(r2)
    cr = (r1[1] * r2[2] - r1[2] * r2[1], r1[2] * r2[0] - r1[0] * r2[2], r1[0] * r2[1] - r1[1] * r2[0])
    if vdot(r0, cr) < 0:
        sx, sy, sz = -sx, -sy, -sz
        r0 = (-r0[0], -r0[1], -r0[2])
        r1 = (-r1[0], -r1[1], -r1[2])
        r2 = (-r2[0], -r2[1], -r2[2])
    w = 0.5 * math.sqrt(max(0.0, 1.0 + r0[0] + r1[1] + r2[2]))
    x = 0.5 * math.sqrt(max(0.0, 1.0 + r0[0] - r1[1] - r2[2]))
    if r2[1] > r1[2]:
        x = -x
    y = 0.5 * math.sqrt(max(0.0, 1.0 - r0[0] + r1[1] - r2[2]))
    if r0[2] > r2[0]:
        y = -y
    z = 0.5 * math.sqrt(max(0.0, 1.0 - r0[0] - r1[1] + r2[2]))
    if r1[0] > r0[1]:
        z = -z
    k = (math.atan(hxy) / math.pi * 180.0, math.atan(hxz) / math.pi * 180.0, math.atan(hyz) / math.pi * 180.0)
    if mirrored:
        sx = -sx
    return t, (sx, sy, sz), (w, x, y, z), k


def compose(t, s, q, k, pivot):
    """The spring matrix from its channels, about the pivot."""
    m = identity()
    m = mul(m, translation(*t))
    m = mul(m, translation(*pivot))
    m = mul(m, quat_matrix(q))
    if k[0] != 0.0:
        m = mul(m, skew_matrix(k[0]))
    if k[1] != 0.0:
        ky = rotation_degrees(90.0, (0.0, 0.0, 1.0))
        ky = mul(ky, skew_matrix(k[1]))
        ky = mul(ky, rotation_degrees(-90.0, (0.0, 0.0, 1.0)))
        m = mul(m, ky)
    if k[2] != 0.0:
        kz = rotation_degrees(90.0, (0.0, 1.0, 0.0))
        kz = mul(kz, rotation_degrees(90.0, (0.0, 0.0, 1.0)))
        kz = mul(kz, skew_matrix(k[2]))
        kz = mul(kz, rotation_degrees(-90.0, (0.0, 0.0, 1.0)))
        kz = mul(kz, rotation_degrees(-90.0, (0.0, 1.0, 0.0)))
        m = mul(m, kz)
    m = mul(m, scale_matrix(*s))
    m = mul(m, translation(-pivot[0], -pivot[1], -pivot[2]))
    return m


class Entry:
    """One frame of the spring's history."""

    def __init__(self, t, s, q, k, v=(0.0, 0.0, 0.0), vs=(0.0, 0.0, 0.0), w=QI, vk=(0.0, 0.0, 0.0)):
        self.t, self.s, self.q, self.k = t, s, q, k
        self.v, self.vs, self.w, self.vk = v, vs, w, vk
        self.result = identity()


def near_threshold(angle, threshold=0.0001):
    return abs(angle - threshold) <= threshold * 1e-6


def step(V, target, a, gains, guard=True):
    """The next state from the previous one V towards the target (t, s, q, k), with activity a
    and gains {keyword: value / 100}."""
    t, s, q, k = target
    g = gains
    v = (g['INERTIAX'] * V.v[0] + g['TENSIONX'] * (t[0] - V.t[0]),
         g['INERTIAY'] * V.v[1] + g['TENSIONY'] * (t[1] - V.t[1]),
         g['INERTIAZ'] * V.v[2] + g['TENSIONZ'] * (t[2] - V.t[2]))
    t1 = tuple(V.t[i] + v[i] for i in range(3))
    vs = tuple(g['INERTIASCALE'] * V.vs[i] + g['TENSIONSCALE'] * (s[i] - V.s[i]) for i in range(3))
    s1 = tuple(V.s[i] + vs[i] for i in range(3))
    vk = tuple(g['INERTIASKEW'] * V.vk[i] + g['TENSIONSKEW'] * (k[i] - V.k[i]) for i in range(3))
    k1 = tuple(V.k[i] + vk[i] for i in range(3))

    # The rotation velocity decays towards no turn; the remaining turn from the state to the
    # target (measured in the world frame) is added to it by the tension.
    w = slerp(QI, V.w, g['INERTIAROTATE'])
    vq = V.q
    n = vq[0] * vq[0] + vq[1] * vq[1] + vq[2] * vq[2] + vq[3] * vq[3]
    u = (vq[0] * n, -vq[1] * n, -vq[2] * n, -vq[3] * n)
    d = hamilton(q, u)
    angle = qangle(d)
    if guard and near_threshold(abs(angle)):
        raise KnifeEdge('remaining turn %.17g at the dead zone' % angle)
    if abs(angle) <= 0.0001:
        w = QI
    alpha = slerp(QI, d, g['TENSIONROTATE'])
    angle = qangle(alpha)
    if guard and near_threshold(abs(angle)):
        raise KnifeEdge('added turn %.17g at the dead zone' % angle)
    if abs(angle) > 0.0001:
        w = then(w, alpha)
    q1 = then(V.q, w)

    if a != 1:
        t1 = tuple(t[i] + a * (t1[i] - t[i]) for i in range(3))
        s1 = tuple(s[i] + a * (s1[i] - s[i]) for i in range(3))
        k1 = tuple(k[i] + a * (k1[i] - k[i]) for i in range(3))
        q1 = slerp(q, q1, a)
        ra = math.sqrt(a)
        v = tuple(x * ra for x in v)
        vs = tuple(x * ra for x in vs)
        vk = tuple(x * ra for x in vk)
        w = slerp(QI, w, ra)

    # Which components the scale guard replaces, once it is entered, is not fixed.
    if guard and any(abs(x) < 0.0001 * (1 + 1e-9) for x in s1):
        raise KnifeEdge('spring scale %r at the scale guard' % (s1,))
    if any(abs(x) < 0.0001 for x in s1):
        s1 = tuple(0.001 if abs(x) < 0.0001 else x for x in s1)
    return Entry(t1, s1, q1, k1, v, vs, w, vk)


# ---- reading the scene ----

def attr(node, keyword, f):
    return node.num(keyword, f, DEFAULTS.get(keyword, 0.0))


def activity(s, name, f):
    """The switch-modulated activity at frame f."""
    node = s.node(name)
    a = attr(node, 'ACTIVE', f) / 100
    src = s.input(name, 2)
    if src is not None and s.node(src).type == 'Switch':
        sv = s.node(src).num('ACTIVE', f, 100.0)
        a = 1 - sv / 100 if a == -1 else a * sv / 100
    return a


def update_flag(node, f):
    if not node.num('MATCHEXPOSURES', f, False):
        return True
    act = node.attrs.get('ACTIVE')
    if not isinstance(act, sc.Attr):
        return True
    return act.is_key(f) or not act.animated()


def static_parent_name(s, name, f):
    """The node whose output is the spring's parent space at frame f, or None (identity)."""
    node = s.node(name)
    static = s.input(name, 1)
    if static is not None:
        return static
    count = int(attr(node, 'PIGNORE', f))
    if count == 0:
        return None
    count &= 0xFFFFFFFF  # a negative count walks as far as the chain goes
    wanted = node.num('PARENTNAME', f, '')
    current = s.input(name, 0)
    steps = 0
    while True:
        up = s.input(current, 0)
        if up is None:
            return None
        steps += 1
        if up == wanted or steps == count:
            return up
        current = up


def _inputs(s, ev, name):
    """Per frame: (input matrix, static parent matrix, pivot in drawing units)."""
    dyn = s.input(name, 0)
    rows = []
    for i, f in enumerate(s_frames(s)):
        inp = ev[dyn][i] if dyn is not None else identity()
        parent = static_parent_name(s, name, f) if dyn is not None else None
        S = shared.sanitize_scale(ev[parent][i]) if parent is not None else identity()
        p = s.pivot(dyn, f) if dyn is not None else None
        rows.append((list(inp), S, s.to_ogl(p) if p else (0.0, 0.0, 0.0)))
    return rows


def s_frames(s):
    return list(range(s.frames[0], s.frames[1] + 1))


def simulate(s, name, rows, perturb=None, guard=True):
    """The spring's output for every frame of the scene, frame 1 first; None from a frame whose
    computation sits on a knife edge. `perturb` moves every input value by a few ulps."""
    node = s.node(name)
    dyn = s.input(name, 0)
    out = []
    V = None
    knife = None
    for i, f in enumerate(s_frames(s)):
        inp, S, P = rows[i]
        if perturb is not None:
            inp = [x * (1.0 + perturb.randint(-PERTURBATION_ULPS, PERTURBATION_ULPS) * 2.0 ** -52) for x in inp]
            S = [x * (1.0 + perturb.randint(-PERTURBATION_ULPS, PERTURBATION_ULPS) * 2.0 ** -52) for x in S]
        if not node.enabled or dyn is None:
            out.append(list(inp))
            continue
        if knife is not None:
            out.append(None)
            continue
        try:
            o, V = frame_step(node, s, name, f, inp, S, P, V, guard)
            out.append(o)
        except KnifeEdge as e:
            knife = e.reason
            out.append(None)
    return out, knife


def frame_step(node, s, name, f, inp, S, P, V, guard):
    a = activity(s, name, f)
    update = update_flag(node, f)
    L = mul(host_inverse(S), inp)
    M = mul(mul(host_inverse(translation(*P)), L), translation(*P))
    target = decompose(M, guard)
    if f == 1 or a <= 0:
        # The spring restarts from the input.
        E = Entry(*target)
        E.result = compose(E.t, E.s, E.q, E.k, P)
        return list(inp), E
    gains = {kw: attr(node, kw, f) / 100 for kw in CHANNEL_ATTRS}
    E = step(V, target, a, gains, guard)
    # On frames that are not update frames the spring holds its last result while its state
    # runs on.
    E.result = compose(E.t, E.s, E.q, E.k, P) if update else V.result
    result = mul(S, E.result)
    if guard:
        for j in (0, 5):
            if abs(abs(result[j]) - 0.0001) < 1e-10 or abs(result[j]) < 1e-10:
                raise KnifeEdge('output scale %.3g at the zero-scale guard' % result[j])
    return shared.sanitize_scale(result), E


def reference_with_allowance(s, ev, frames, name):
    assert frames == s_frames(s), 'the spring is simulated over the scene range from frame 1'
    rows = _inputs(s, ev, name)
    expected, _ = simulate(s, name, rows)
    allowance = [0.0] * len(frames)
    rng = random.Random(hash(name) & 0xFFFF)
    for _ in range(PERTURBED_RUNS):
        moved, _ = simulate(s, name, rows, perturb=rng, guard=False)
        for i, (e, m) in enumerate(zip(expected, moved)):
            if e is not None and m is not None:
                allowance[i] = max(allowance[i], ALLOWANCE_FACTOR * vmath.max_rel_diff(e, m))
    return expected, allowance


def reference(s, ev, frames, name):
    return reference_with_allowance(s, ev, frames, name)[0]


# ---- random scenes ----

KINDS = ('static parent is the chain root', 'static parent unrelated', 'climb by count', 'climb by name',
         'no parent', 'match exposures', 'switch', 'keyed activity')
_scene_count = [0]


def _gain(rng, frames, tension):
    r = rng.random()
    if r < 0.1:
        return sc.Attr(0.0)
    if r < 0.2:
        return sc.Attr(100.0 if tension else 0.0)
    lo, hi = (1.0, 100.0) if tension else (0.0, 95.0)
    return sc.rand_attr(rng, lo, hi, frames, key_chance=0.25)


def _keyed_activity(rng, frames, values):
    fs = sorted(rng.sample(range(frames[0] + 1, frames[1] + 1), len(values)))
    return sc.Attr(keys=[(f, v, rng.choice([sc.LINEAR, sc.CONSTANT])) for f, v in zip(fs, values)])


def make_scene(rng):
    kind = KINDS[_scene_count[0] % len(KINDS)]
    _scene_count[0] += 1
    s = sc.Scene(frames=(1, 40), metrics=sc.random_metrics(rng))
    # A chain of pegs, the dynamic one at its end.
    depth = rng.randint(1, 3) if kind in ('climb by count', 'climb by name', 'static parent is the chain root') \
        else rng.randint(0, 2)
    chain = ['A%d' % i for i in range(depth)] + ['Dyn']
    for i, n in enumerate(chain):
        peg = s.add(sc.random_peg(rng, n, s.frames, mirror_chance=0.2))
        if n == 'Dyn':
            # Enough motion to swing the spring: keys on most channels.
            for kw in ('POSITION.X', 'POSITION.Y', 'ROTATION.ANGLEZ'):
                if not peg.attrs[kw].animated():
                    peg.attrs[kw] = sc.rand_attr(rng, -6 if kw != 'ROTATION.ANGLEZ' else -150,
                                                 6 if kw != 'ROTATION.ANGLEZ' else 150, s.frames, key_chance=1.0)
        if i:
            s.link(chain[i - 1], n, 0)
    attrs = {kw: _gain(rng, s.frames, kw.startswith('TENSION')) for kw in CHANNEL_ATTRS if rng.random() < 0.9}
    spring = s.add(sc.Node('DynamicSpring', 'Spring', attrs))
    s.link('Dyn', 'Spring', 0)

    if kind == 'static parent is the chain root' or (kind in ('match exposures', 'switch', 'keyed activity')
                                                     and depth and rng.random() < 0.5):
        s.link(chain[rng.randrange(depth)], 'Spring', 1)
    elif kind == 'static parent unrelated':
        s.add(sc.random_peg(rng, 'Parent', s.frames))
        s.link('Parent', 'Spring', 1)
    elif kind == 'climb by count':
        spring.attrs['PIGNORE'] = sc.Attr(rng.choice([1, 2, 3, 1.5, 2.7, depth + 1]))
        if rng.random() < 0.3:
            # The parent space changes along the way.
            f = rng.randint(5, 35)
            spring.attrs['PIGNORE'] = sc.Attr(keys=[(1, 1.0, sc.CONSTANT), (f, float(depth), sc.CONSTANT)])
    elif kind == 'climb by name':
        target = chain[rng.randrange(depth)] if rng.random() < 0.8 else 'Nobody'
        spring.attrs['PARENTNAME'] = target
        spring.attrs['PIGNORE'] = sc.Attr(rng.choice([-1, -3.5, 1, depth, 5]))
    elif kind == 'no parent':
        if rng.random() < 0.5:
            spring.attrs['PIGNORE'] = sc.Attr(rng.choice([0, 0.5, -0.5]))
            if depth:
                spring.attrs['PARENTNAME'] = chain[0]

    if kind == 'match exposures':
        spring.attrs['MATCHEXPOSURES'] = True
        if rng.random() < 0.3:
            # Switched on and off along the way.
            fs = sorted(rng.sample(range(2, 40), 3))
            spring.attrs['MATCHEXPOSURES'] = sc.Attr(keys=[(1, True, sc.CONSTANT), (fs[0], False, sc.CONSTANT),
                                                           (fs[1], True, sc.CONSTANT), (fs[2], False, sc.CONSTANT)])
        values = [rng.choice([100.0, 100.0, 80.0, 25.0, 0.0]) for _ in range(rng.randint(3, 7))]
        spring.attrs['ACTIVE'] = _keyed_activity(rng, s.frames, values)
    elif kind == 'switch':
        sw = s.add(sc.random_switch(rng, 'Switch', s.frames))
        s.link('Switch', 'Spring', 2)
        spring.attrs['ACTIVE'] = rng.choice([sc.Attr(-100.0), sc.Attr(-100.0), sc.Attr(100.0), sc.Attr(50.0),
                                             sc.rand_attr(rng, 0, 100, s.frames)])
        if rng.random() < 0.2:
            sw.type = 'Peg'  # an ordinary peg on the switch port counts as no switch
            sw.attrs = {}
    elif kind == 'keyed activity':
        values = [0.0, 25.0] + [rng.choice([100.0, 25.0, 0.0, 60.0, 110.0, -20.0]) for _ in range(rng.randint(1, 4))]
        rng.shuffle(values)
        spring.attrs['ACTIVE'] = _keyed_activity(rng, s.frames, values)
        spring.attrs['MATCHEXPOSURES'] = rng.random() < 0.3
    else:
        if rng.random() < 0.3:
            spring.attrs['ACTIVE'] = sc.rand_attr(rng, 20, 100, s.frames)
        if rng.random() < 0.3:
            # Nothing to match: a constant activity makes every frame an update frame.
            spring.attrs['MATCHEXPOSURES'] = True
    if rng.random() < 0.04:
        spring.enabled = False
    elif rng.random() < 0.03:
        s.links.remove(('Dyn', 'Spring', 0, 0))  # nothing to follow: the input passes through
    names = ['Spring']
    if rng.random() < 0.25:
        # A second spring following the first: its pivot is the dynamic peg's, found through the
        # first spring, and its climbs start there.
        second = s.add(sc.Node('DynamicSpring', 'Spring2',
                               {kw: _gain(rng, s.frames, kw.startswith('TENSION')) for kw in CHANNEL_ATTRS}))
        s.link('Spring', 'Spring2', 0)
        if rng.random() < 0.5:
            second.attrs['PIGNORE'] = sc.Attr(rng.choice([1, 2, -1]))
            second.attrs['PARENTNAME'] = rng.choice(chain)
        names.append('Spring2')
    return s, names


# ---- order of requests ----

def _same(a, b):
    return all(x == y for x, y in zip(a, b))


_extra_count = [0]


def extra_checks(vantorel, s, ev, frames, names, plugins, rng):
    """A frame asked alone, or a range started in the middle, gives the frames of the full run;
    a key moved upstream leaves every earlier frame as it was (every other scene)."""
    turn = _extra_count[0]
    _extra_count[0] += 1
    problems = []
    for name in names:
        if turn % 2 == 0:
            k = rng.randint(2, len(frames))
            alone, _, _ = sc.evaluate(vantorel, s, frames=str(frames[k - 1]), nodes=[name], plugins=plugins)
            if not _same(alone[name][0], ev[name][k - 1]):
                problems.append('frame %d asked alone differs from the full run by %.3g'
                                % (frames[k - 1], vmath.max_rel_diff(alone[name][0], ev[name][k - 1])))
        else:
            m = rng.randint(2, len(frames) - 1)
            part, got_frames, _ = sc.evaluate(vantorel, s, frames='%d-%d' % (frames[m - 1], frames[-1]),
                                              nodes=[name], plugins=plugins)
            for j, f in enumerate(got_frames):
                if not _same(part[name][j], ev[name][frames.index(f)]):
                    problems.append('frames %d-%d: frame %d differs from the full run by %.3g'
                                    % (frames[m - 1], frames[-1], f,
                                       vmath.max_rel_diff(part[name][j], ev[name][frames.index(f)])))
                    break
        edited = _move_a_key(s, name, rng) if turn % 4 < 2 else None
        if edited is None:
            continue
        ev2, _, _ = sc.evaluate(vantorel, edited, plugins=plugins)
        first = next((i for i in range(len(frames))
                      if any(not _same(ev[n.name][i], ev2[n.name][i]) for n in s.nodes if n.name != name)),
                     len(frames))
        for i in range(first):
            if not _same(ev[name][i], ev2[name][i]):
                problems.append('a key moved upstream from frame %d on changed frame %d' % (frames[first], frames[i]))
                break
        expected, allowance = reference_with_allowance(edited, ev2, frames, name)
        for i, e in enumerate(expected):
            if e is not None and not vmath.max_rel_diff(e, ev2[name][i]) <= TOLERANCE + allowance[i]:
                problems.append('after a key moved, frame %d differs from the reference by %.3g'
                                % (frames[i], vmath.max_rel_diff(e, ev2[name][i])))
                break
    return problems


def _move_a_key(s, name, rng):
    """A copy of the scene with one key of the dynamic peg or an ancestor moved to a free frame."""
    edited = copy.deepcopy(s)
    dyn = edited.input(name, 0)
    if dyn is None:
        return None
    candidates = []
    node = dyn
    while node is not None:
        for kw, a in edited.node(node).attrs.items():
            if isinstance(a, sc.Attr) and a.keys:
                candidates.append(a)
        node = edited.input(node, 0)
    if not candidates:
        return None
    a = rng.choice(candidates)
    j = rng.randrange(len(a.keys))
    f, v, interp = a.keys[j]
    taken = {k[0] for k in a.keys}
    free = [g for g in range(max(s.frames[0], f - 6), min(s.frames[1], f + 6) + 1) if g not in taken]
    if not free:
        return None
    a.keys[j] = (rng.choice(free), v, interp)
    a.keys.sort(key=lambda k: k[0])
    return edited


# ---- self-test: the node's stated results and closed forms ----

def _static_scene(dyn_attrs, spring_attrs, frames=(1, 12), static=None):
    s = sc.Scene(frames=frames, metrics=(1.0, 1.0, 1.0))
    s.add(sc.Node('Peg', 'Dyn', dyn_attrs))
    s.add(sc.Node('DynamicSpring', 'Spring', spring_attrs))
    s.link('Dyn', 'Spring', 0)
    if static is not None:
        s.add(sc.Node('Peg', 'Parent', static))
        s.link('Parent', 'Spring', 1)
    return s


def _peg_matrix(s, name, f):
    """A peg's matrix: T(pos) T(pivot) Rz Ry Rx K(skew) S(scale) T(-pivot), in drawing units."""
    n = s.node(name)
    pos = s.to_ogl((n.num('POSITION.X', f), n.num('POSITION.Y', f), n.num('POSITION.Z', f)))
    piv = s.to_ogl((n.num('PIVOT.X', f), n.num('PIVOT.Y', f), n.num('PIVOT.Z', f)))
    m = vmath.mul_all(vmath.T(pos), vmath.T(piv), vmath.R(n.num('ROTATION.ANGLEZ', f), (0, 0, 1)),
                      vmath.R(n.num('ROTATION.ANGLEY', f), (0, 1, 0)), vmath.R(n.num('ROTATION.ANGLEX', f), (1, 0, 0)),
                      vmath.K(n.num('SKEW', f)), vmath.S(n.num('SCALE.X', f, 1.0), n.num('SCALE.Y', f, 1.0),
                                                        n.num('SCALE.Z', f, 1.0)),
                      vmath.T(vmath.scale(piv, -1)))
    up = s.input(name, 0)
    return mul(_peg_matrix(s, up, f), m) if up else m


def _evaluate_offline(s):
    return {n.name: [_peg_matrix(s, n.name, f) for f in s_frames(s)] for n in s.nodes if n.type == 'Peg'}


def _states(s, name='Spring'):
    """Every frame's spring state, with the same stepping as the reference."""
    ev = _evaluate_offline(s)
    rows = _inputs(s, ev, name)
    node = s.node(name)
    states, V = [], None
    for i, f in enumerate(s_frames(s)):
        inp, S, P = rows[i]
        _, V = frame_step(node, s, name, f, inp, S, P, V, True)
        states.append(V)
    return ev, states


def _close(a, b, tol=1e-12):
    return all(abs(x - y) <= tol * max(1.0, abs(x), abs(y)) for x, y in zip(a, b))


def _self_test():
    K = sc.Attr
    # Decomposing and composing back gives the matrix about any pivot, mirrored or not, with a
    # skew in the drawing plane and rotations about every axis.
    rng = random.Random(7)
    for _ in range(200):
        sx = rng.uniform(0.3, 3) * rng.choice([1, -1])
        m = vmath.mul_all(vmath.T(rng.uniform(-5, 5), rng.uniform(-5, 5), rng.uniform(-5, 5)),
                          vmath.R(rng.uniform(-180, 180), (0, 0, 1)), vmath.R(rng.uniform(-60, 60), (0, 1, 0)),
                          vmath.R(rng.uniform(-60, 60), (1, 0, 0)), vmath.K(rng.uniform(-50, 50)),
                          vmath.S(sx, rng.uniform(0.3, 3), rng.uniform(0.3, 3)))
        p = (rng.uniform(-3, 3), rng.uniform(-3, 3), rng.uniform(-1, 1))
        t, s_, q, k = decompose(m)
        assert abs(k[1]) < 1e-12 and abs(k[2]) < 1e-12, k
        assert (s_[0] < 0) == (sx < 0)
        want = vmath.mul_all(vmath.T(p), m, vmath.T(vmath.scale(p, -1)))
        assert _close(compose(t, s_, q, k, p), want, 1e-12), (m, p)
    # The rotation read from a matrix is the usual quaternion of that rotation; about a single
    # axis the other components are square roots of rounding noise, a few 1e-9.
    for axis, ang in (((1, 0, 0), 30.0), ((0, 1, 0), -70.0), ((0, 0, 1), 120.0), ((1, 2, 3), 45.0)):
        _, _, q, _ = decompose(vmath.R(ang, axis))
        n = vmath.normalize(axis)
        h = math.sin(ang * DEG / 2)
        assert _close(q, (math.cos(ang * DEG / 2), n[0] * h, n[1] * h, n[2] * h), 1e-8), (axis, q)
    # The host's product applies its left operand first.
    a, b = qnormalized((0.9, 0.3, -0.2, 0.1)), qnormalized((0.7, -0.1, 0.5, 0.4))
    assert _close(quat_matrix(then(a, b)), mul(quat_matrix(b), quat_matrix(a)), 1e-14)

    step_keys = [(1, 0.0, sc.CONSTANT), (4, 5.0, sc.CONSTANT)]
    # At frame 1 the output is the input, the state its decomposition with zero velocities.
    s = _static_scene({'POSITION.X': K(keys=step_keys), 'ROTATION.ANGLEZ': K(30.0), 'SCALE.X': K(-1.5),
                       'SKEW': K(10.0), 'PIVOT.X': K(1.0)}, {})
    ev, st = _states(s)
    out, _ = simulate(s, 'Spring', _inputs(s, ev, 'Spring'))
    assert out[0] == ev['Dyn'][0]
    assert st[0].v == (0.0, 0.0, 0.0) and st[0].vs == (0.0, 0.0, 0.0) and st[0].w == QI
    assert abs(st[0].s[0] + 1.5) < 1e-12 and abs(st[0].k[0] - 10.0) < 1e-12

    # Defaults (tension 7, inertia 80) with a static input: a step is followed with overshoot and
    # decay; the translation follows x' = x + 0.8 v + 0.07 (target - x).
    s = _static_scene({'POSITION.X': K(keys=step_keys)}, {}, frames=(1, 60), static={'POSITION.Y': K(2.0)})
    ev, st = _states(s)
    x, v, xs = 0.0, 0.0, []
    for f in s_frames(s):
        if f > 1:
            v = 0.8 * v + 0.07 * ((5.0 if f >= 4 else 0.0) - x)
            x += v
        xs.append(x)
    assert all(abs(a_.t[0] - b_) < 1e-12 for a_, b_ in zip(st, xs))
    assert max(xs) > 5.5 and abs(xs[-1] - 5.0) < 0.5

    # All tensions 100 and inertias 0: every channel reaches the input at every frame, rotations
    # about any axis included; the output is the input.
    full = {kw: K(100.0 if kw.startswith('TENSION') else 0.0) for kw in CHANNEL_ATTRS}
    dyn = {'POSITION.X': K(keys=[(1, -3.0, sc.LINEAR), (12, 4.0, sc.LINEAR)]),
           'POSITION.Z': K(keys=[(1, 1.0, sc.LINEAR), (12, -2.0, sc.LINEAR)]),
           'ROTATION.ANGLEZ': K(keys=[(1, -40.0, sc.LINEAR), (12, 170.0, sc.LINEAR)]),
           'ROTATION.ANGLEX': K(keys=[(1, 10.0, sc.LINEAR), (12, -35.0, sc.LINEAR)]),
           'ROTATION.ANGLEY': K(keys=[(1, 25.0, sc.LINEAR), (12, -5.0, sc.LINEAR)]),
           'SCALE.X': K(keys=[(1, 0.5, sc.LINEAR), (12, 2.0, sc.LINEAR)]),
           'SKEW': K(keys=[(1, -20.0, sc.LINEAR), (12, 25.0, sc.LINEAR)]), 'PIVOT.X': K(2.0), 'PIVOT.Y': K(-1.0)}
    s = _static_scene(dyn, full)
    ev = _evaluate_offline(s)
    out, _ = simulate(s, 'Spring', _inputs(s, ev, 'Spring'))
    for i in range(len(out)):
        assert _close(out[i], ev['Dyn'][i], 1e-9), i

    # Tensions 0 and inertias 0: the state never leaves its frame-1 value.
    still = {kw: K(0.0) for kw in CHANNEL_ATTRS}
    s = _static_scene(dyn, still)
    ev, st = _states(s)
    for e in st[1:]:
        assert _close(e.t + e.s + e.k, st[0].t + st[0].s + st[0].k, 1e-12)
        assert _close(quat_matrix(e.q), quat_matrix(st[0].q), 1e-12)

    # An activity of 0 gives the input there and restarts the spring from it on the next frame:
    # what the input did before no longer matters.
    act = K(keys=[(1, 100.0, sc.CONSTANT), (6, 0.0, sc.CONSTANT), (7, 100.0, sc.CONSTANT)])
    early = dict(dyn, **{'POSITION.Y': K(keys=[(1, 7.0, sc.CONSTANT), (6, 0.0, sc.CONSTANT)])})
    outs = []
    for d in (dyn, early):
        for a_ in (act, None):
            s = _static_scene(d, {'ACTIVE': a_} if a_ else {})
            ev = _evaluate_offline(s)
            outs.append((simulate(s, 'Spring', _inputs(s, ev, 'Spring'))[0], ev['Dyn']))
    (restarted, inp), (_, _), (restarted_early, _), (_, _) = outs
    assert restarted[5] == inp[5]
    assert restarted[5:] == restarted_early[5:]
    assert not _close(outs[1][0][8], outs[3][0][8], 1e-6)

    # An activity of 0.25: translation, scale and skew lie a quarter of the way from the input
    # to the free spring state, and the velocities carried on are halved.
    s_free = _static_scene(dyn, {})
    s_q = _static_scene(dyn, {'ACTIVE': K(keys=[(1, 100.0, sc.CONSTANT), (5, 25.0, sc.CONSTANT),
                                               (6, 100.0, sc.CONSTANT)])})
    _, free = _states(s_free)
    _, quarter = _states(s_q)
    ev = _evaluate_offline(s_free)
    i = 4
    piv = s_free.to_ogl(s_free.pivot('Dyn', 5))
    target = decompose(vmath.mul_all(vmath.T(vmath.scale(piv, -1)), ev['Dyn'][i], vmath.T(piv)))
    for ch, tgt in (('t', target[0]), ('s', target[1]), ('k', target[3])):
        want = tuple(tgt[j] + 0.25 * (getattr(free[i], ch)[j] - tgt[j]) for j in range(3))
        assert _close(getattr(quarter[i], ch), want, 1e-12), ch
    for ch in ('v', 'vs', 'vk'):
        assert _close(getattr(quarter[i], ch), tuple(0.5 * x for x in getattr(free[i], ch)), 1e-12), ch
    assert abs(qangle(quarter[i].w) - 0.5 * qangle(free[i].w)) < 1e-12

    # Match exposures: a frame that is not an update frame repeats the previous frame's result
    # while the state still advances.
    keys = K(keys=[(1, 100.0, sc.LINEAR), (3, 100.0, sc.LINEAR), (8, 100.0, sc.LINEAR)])
    s_m = _static_scene(dyn, {'ACTIVE': keys, 'MATCHEXPOSURES': True})
    ev = _evaluate_offline(s_m)
    out, _ = simulate(s_m, 'Spring', _inputs(s_m, ev, 'Spring'))
    out_free, _ = simulate(s_free, 'Spring', _inputs(s_free, ev, 'Spring'))
    assert _close(out[1], out[0], 1e-12)
    for f in (4, 5, 6, 7, 9, 10):
        assert out[f - 1] == out[f - 2], f
    for f in (3, 8):
        assert _close(out[f - 1], out_free[f - 1], 1e-12), f

    # The static parent: the spring runs in its space, so a parent moving with the input leaves
    # a spring at rest.
    s = _static_scene({'POSITION.X': K(1.0), 'ROTATION.ANGLEZ': K(20.0)}, {}, static={
        'POSITION.X': K(keys=[(1, 0.0, sc.LINEAR), (12, 6.0, sc.LINEAR)]),
        'ROTATION.ANGLEZ': K(keys=[(1, 0.0, sc.LINEAR), (12, 80.0, sc.LINEAR)])})
    s.link('Parent', 'Dyn', 0)
    ev = _evaluate_offline(s)
    out, _ = simulate(s, 'Spring', _inputs(s, ev, 'Spring'))
    assert all(_close(o, e, 1e-12) for o, e in zip(out, ev['Dyn']))

    # Climbing: a count of 0 uses no ancestor, a count past the chain's end finds none, a name
    # ends the climb where it stands.
    s = sc.Scene(frames=(1, 2))
    for n in ('A0', 'A1', 'Dyn'):
        s.add(sc.Node('Peg', n))
    s.link('A0', 'A1', 0)
    s.link('A1', 'Dyn', 0)
    sp = s.add(sc.Node('DynamicSpring', 'Spring', {}))
    s.link('Dyn', 'Spring', 0)
    for count, pname, want in ((0, 'A0', None), (1, '', 'A1'), (2, '', 'A0'), (3, '', None), (-1, '', None),
                               (-1, 'A0', 'A0'), (1, 'A0', 'A1'), (2.9, '', 'A0'), (-0.5, 'A0', None)):
        sp.attrs['PIGNORE'] = K(float(count))
        sp.attrs['PARENTNAME'] = pname
        assert static_parent_name(s, 'Spring', 1) == want, (count, pname)

    # The switch: an ACTIVE of -100 inverts it, other values scale it.
    s.add(sc.Node('Switch', 'Sw', {'ACTIVE': K(30.0)}))
    s.link('Sw', 'Spring', 2)
    sp.attrs['ACTIVE'] = K(-100.0)
    assert abs(activity(s, 'Spring', 1) - 0.7) < 1e-15
    sp.attrs['ACTIVE'] = K(50.0)
    assert abs(activity(s, 'Spring', 1) - 0.15) < 1e-15
    print('ref_spring self-test: ok')


if __name__ == '__main__':
    _self_test()
