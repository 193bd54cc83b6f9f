#!/usr/bin/env python3
"""Reference for the two-points constraint: the segment between two pegs' rest pivots carried onto
where the pivots are now. The output follows the primary peg, aims at the secondary one, stretches
along the segment within its limits (softly when smoothing is on), swells or squashes across it by
the volume rule, optionally skews by the turn, moves by a share of the unreachable gap and blends
with the right peg's own matrix by the activity.

Run on its own (`python3 ref_point2.py`) it checks itself against worked examples.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scene as sc  # noqa: E402
import shared  # noqa: E402
import vmath as vm  # noqa: E402

NODE_TYPE = 'PointConstraint2'

FLATTENS = ('FLATTEN', 'ALLOW', 'PROJECT')
TRANSFORMS = ('TRANSLATE', 'TRANSFORM', 'LOCALTRANSFORM')
PRIMARIES = ('RIGHT', 'LEFT', 'TOPMOST', 'BOTTOMMOST')

# Frames left out of the comparison because the result jumps there and rounding alone could decide
# the side (see Knife); counted per reason so that a run can say how many there were.
SKIPPED = {}

# How close to a jump a value may come before the frame is left out: angles in degrees, the
# single-precision handedness test in radians and unit lengths.
ANGLE_MARGIN = 1e-7
MIRROR_MARGIN = 1e-4


class Knife(Exception):
    """The result jumps within rounding of this frame's values."""


def _knife(reason):
    SKIPPED[reason] = SKIPPED.get(reason, 0) + 1
    raise Knife(reason)


# ---- guards against jumps ----

def mirror_margin(m):
    """How far the single-precision handedness test is from changing its mind: the turn from the
    x axis to the y axis against 0 and a half turn, and the z axis's depth against 0."""
    v = [vm.f32(x) for x in m]
    cols = []
    for c in range(3):
        x, y, z = v[4 * c], v[4 * c + 1], v[4 * c + 2]
        n = math.sqrt(x * x + y * y + z * z)
        cols.append((x / n, y / n, z / n) if n else (0.0, 0.0, 0.0))
    X, Y, Z = cols
    x = math.atan2(Y[1], Y[0]) - math.atan2(X[1], X[0])
    d = math.fmod(x + 4 * math.pi, 2 * math.pi) - math.pi
    return min(abs(d), abs(abs(d) - math.pi), abs(Z[2]) if X != Y else 0.0)


def guarded_blend(target, source, t, pivot=(0.0, 0.0, 0.0), offset=(0.0, 0.0, 0.0), translation=True,
                  rotation=True):
    """blend_transforms, after making sure that neither the handedness tests nor the turn between the
    two decompositions sit on an edge where the blend jumps."""
    for m in (target, source):
        if mirror_margin(m) < MIRROR_MARGIN:
            _knife('handedness or a flat matrix at the blend')
    src = list(source)
    if shared.is_mirrored(source) != shared.is_mirrored(target):
        src = vm.mul(src, vm.S(-1, 1, 1))
    sa = vm.extract_parameters(src)[5]
    ta = vm.extract_parameters(target)[5]
    if abs(abs(shared.signed_angle_difference(sa, ta)) - 180.0) < ANGLE_MARGIN:
        _knife('half a turn between the blended matrices')
    return shared.blend_transforms(target, source, t, pivot, offset, translation, rotation)


# ---- the computation ----

def activity(node, switch, f):
    a = node.num('ACTIVE', f, 100.0) / 100.0
    if switch is not None and switch.type == 'Switch':
        s = switch.num('ACTIVE', f, 100.0)
        a = 1.0 - s / 100.0 if a == -1.0 else a * s / 100.0
    return a


def clamp(v, lo, hi):
    return min(max(v, lo), hi)


def stretch(r, s, dmin, dmax):
    """The stretch r, held between the distance limits, eased towards them when s > 0."""
    if s > 0:
        if dmin > 0:
            e = (1 - 0.9 * s) * dmin
            n = (1 - 0.09999999999999998 * s) * dmin
            if dmin > r > e:
                r = n + (dmin - n) * ((r - e) / (dmin - e)) ** 2
            dmin = n
        if dmax > 1:
            g = 0.1 * s * dmax
            w = s * dmax
            if dmax < r < dmax + w:
                r = dmax + g * ((r - dmax) / w) ** 0.5
            dmax = dmax + g
    if dmin > 0:
        r = max(r, dmin)
    if dmax > 0:
        r = min(r, dmax)
    return r


def volume(r, m, vmin, vmax):
    v = max((1.0 / abs(r) - 1.0) * m + 1.0, 0.0001)
    if vmax > 0:
        v = min(v, vmax)
    if vmin > 0:
        v = max(v, vmin)
    return v


def skew_angle(A1, A0inv, k):
    """The turn from the rest direction to the current one, as a skew angle scaled by k."""
    a1 = math.atan2(A1[1], A1[0]) * vm.RAD
    a0 = -math.atan2(A0inv[1], A0inv[0]) * vm.RAD
    if a1 == a0:
        return None
    sigma = -shared.signed_angle_difference(a1, a0)
    if k < 1:
        if abs(abs(sigma) - 90.0) < ANGLE_MARGIN:
            _knife('skew turn of a quarter')
        h = 180.0 if abs(sigma) > 90 else 0.0
        sigma = shared.blend_angle(h, sigma, k)
    return sigma


def constrain(opts, a, M_R, M_L, G, p, q, camera=None):
    """The constrained matrix, or None when the computation gives up (the host's default stands).

    opts: the attribute values (percent) and option keywords; a: the activity (> 0); M_R, M_L: the
    right and left pegs' matrices (sanitized); G: the primary peg's parent matrix (sanitized, or
    the identity); p, q: the right and left pegs' rest pivots in drawing units; camera: the scene's
    camera matrix (for PROJECT)."""
    k = clamp(opts['SKEWCONTROL'], 0, 100) / 100
    m = opts['VOLUMEMOD'] / 100
    s = clamp(opts['SMOOTH'], 0, 100) / 100
    flatten, ttype = opts['FLATTENTYPE'], opts['TRANSFORMTYPE']
    beta = clamp(opts['BALANCE'], 0, 100) / 100
    dmin, dmax = opts['STRETCHMIN'] / 100, opts['STRETCHMAX'] / 100
    vmax, vmin = opts['VOLUMEMAX'] / 100, opts['VOLUMEMIN'] / 100

    primary = primary_side(opts['PRIMARYPORT'], M_R, M_L)
    pr = p  # the right peg's rest pivot, whichever peg is primary
    if primary == 'RIGHT':
        P, Q = M_R, M_L
    else:
        P, Q = M_L, M_R
        p, q = q, p
    Gi = vm.get_inverse(G)
    wp = vm.point(P, p)
    wq = vm.point(Q, q)
    wq_seen = wq
    if flatten == 'PROJECT' and camera is not None:
        on_plane = shared.project_to_drawing_plane(wq, camera, P)
        if on_plane is None:
            _knife('camera ray along the plane')
        wq_seen = vm.point(P, on_plane)
    pa = vm.point(Gi, wp)
    pb = vm.point(Gi, wq_seen)
    d = vm.sub(pa, p)
    p0, q0 = p, q
    if flatten == 'FLATTEN':
        p, q, pa, pb = [(v[0], v[1], 0.0) for v in (p, q, pa, pb)]
    if vm.dot(vm.sub(q, p), vm.sub(q, p)) == 0.0:
        return None
    u0 = vm.sub(q, p)
    u1 = vm.sub(pb, pa)
    if vm.length(u0) == 0.0:
        return None
    if vm.length(u1) == 0.0:
        u1 = (0.001, 0.0, 0.0)
    z = (0.0, 0.0, 1.0)
    x0 = vm.normalize(u0)
    y0 = vm.normalize(vm.cross(z, x0))
    A0inv = vm.get_inverse(vm.from_axes(x0, y0, z))
    x1 = vm.normalize(u1)
    y1 = vm.normalize(vm.cross(z, x1))
    z1 = vm.normalize(vm.cross(x1, y1))
    A1 = vm.from_axes(x1, y1, z1)

    local = vm.mul(Gi, P)  # the primary peg below its parent
    out = local if ttype == 'TRANSFORM' else vm.T(d)
    out = vm.mul_all(out, vm.T(p), A1)
    if k > 0:
        sigma = skew_angle(A1, A0inv, k)
        if sigma is not None:
            out = vm.mul(out, vm.K(sigma))
    r = stretch(max(vm.length(u1) / vm.length(u0), 0.0001), s, dmin, dmax)
    v = volume(r, m, vmin, vmax)
    out = vm.mul_all(out, vm.S(r, v, 1), A0inv)
    if ttype == 'LOCALTRANSFORM':
        out = vm.mul(out, vm.rotation(local))
    out = vm.mul(out, vm.T(vm.scale(p, -1)))

    if beta > 0:
        # the part of the way to the secondary pivot that the limits kept, turned into the parent
        gap = vm.vector(Gi, vm.sub(wq, vm.point(vm.mul(G, out), q0)))
        out = vm.mul(vm.T(vm.scale(gap, beta)), out)

    if a < 1:
        B = vm.mul(Gi, M_R)
        d1 = vm.sub(vm.point(out, pr), pr)
        d2 = vm.sub(vm.point(B, pr), pr)
        out = vm.mul(vm.T(d1), guarded_blend(out, B, a, pr, vm.sub(d2, d1), False, True))
    return vm.mul(G, out)


def primary_side(port, M_R, M_L):
    zr, zl = vm.point(M_R, (0.0, 0.0, 0.0))[2], vm.point(M_L, (0.0, 0.0, 0.0))[2]
    if port == 'TOPMOST':
        return 'RIGHT' if zr > zl else 'LEFT'
    if port == 'BOTTOMMOST':
        return 'LEFT' if zr > zl else 'RIGHT'
    return 'RIGHT' if port == 'RIGHT' else 'LEFT'


# ---- scenes ----

OPTION_DEFAULTS = {'ACTIVE': 100.0, 'VOLUMEMOD': 75.0, 'VOLUMEMAX': 200.0, 'VOLUMEMIN': 25.0, 'STRETCHMAX': 0.0,
                   'STRETCHMIN': 0.0, 'SKEWCONTROL': 0.0, 'SMOOTH': 0.0, 'BALANCE': 0.0,
                   'FLATTENTYPE': 'ALLOW', 'TRANSFORMTYPE': 'TRANSLATE', 'PRIMARYPORT': 'RIGHT'}


def options(node, f):
    return {kw: node.num(kw, f, dflt) if not isinstance(dflt, str) else node.attrs.get(kw, dflt)
            for kw, dflt in OPTION_DEFAULTS.items()}


def peg_pool(rng, s, n=6):
    """Pegs for the constraints to follow: some roots, some children (of roots or of children),
    a mix of 2-D and 3-D ones."""
    names = []
    for i in range(n):
        name = 'P%d' % i
        depth = rng.random() < 0.6
        s.add(sc.random_peg(rng, name, s.frames, depth=depth))
        if names and rng.random() < 0.5:
            s.link(rng.choice(names), name, 0)
        names.append(name)
    return names


def common_scene(rng):
    """A scene with metrics, a camera (nearly always), a pool of pegs and two switches (one
    sometimes at 0); its frames sometimes start below 0."""
    s = sc.Scene(frames=rng.choice([(1, 24), (1, 24), (-6, 17)]), metrics=sc.random_metrics(rng))
    pegs = peg_pool(rng, s)
    if rng.random() < 0.9:
        s.add(sc.random_camera(rng))
        s.camera = 'Camera'
    s.add(sc.random_switch(rng, 'SwA', s.frames))
    s.add(sc.Node('Switch', 'SwB', {'ACTIVE': sc.Attr(keys=[(1, 0.0, sc.LINEAR), (24, 100.0, sc.LINEAR)])}))
    return s, pegs


def random_activity(rng, frames):
    roll = rng.random()
    if roll < 0.3:
        return sc.Attr(100.0)
    if roll < 0.4:
        return sc.Attr(-100.0)
    if roll < 0.45:
        return sc.Attr(0.0)
    return sc.rand_attr(rng, -40, 140, frames)


def chainable(s, names):
    """Constraint nodes already in the scene that can stand in for a peg: those with a node on
    input 0, through which their pivot is found."""
    return [n for n in names if s.input(n, 0) is not None]


def choose_pegs(rng, s, pegs, names, n_pegs):
    """Distinct pegs, now and then one of them replaced by another constraint node."""
    chosen = rng.sample(pegs, n_pegs)
    others = [n for n in chainable(s, names) if n not in chosen]
    if others and rng.random() < 0.2:
        chosen[rng.randrange(n_pegs)] = rng.choice(others)
    return chosen


def connect(rng, s, node, chosen, switch_port, pegs):
    """Links the chosen pegs to the peg ports (rarely one missing, or one peg twice) and often a
    switch (rarely a peg, which does not count as one)."""
    n_pegs = len(chosen)
    if rng.random() < 0.04:
        chosen[rng.randrange(1, n_pegs)] = chosen[0]
    missing = rng.randrange(n_pegs) if rng.random() < 0.04 else None
    for port, peg in enumerate(chosen):
        if port != missing:
            s.link(peg, node.name, port)
    roll = rng.random()
    if roll < 0.35:
        s.link('SwA', node.name, switch_port)
    elif roll < 0.5:
        s.link('SwB', node.name, switch_port)
    elif roll < 0.53:
        s.link(rng.choice(pegs), node.name, switch_port)


def make_scene(rng):
    """Every flatten and transform type on its own node, each with a random primary port, pegs
    (now and then an earlier node of the scene), switch and attributes."""
    s, pegs = common_scene(rng)
    names = []
    for flatten in FLATTENS:
        for ttype in TRANSFORMS:
            f = s.frames
            attrs = {
                'ACTIVE': random_activity(rng, f),
                'FLATTENTYPE': flatten,
                'TRANSFORMTYPE': ttype,
                'PRIMARYPORT': rng.choice(PRIMARIES),
            }
            if rng.random() < 0.85:
                attrs['VOLUMEMOD'] = sc.rand_attr(rng, -20, 150, f)
                attrs['VOLUMEMAX'] = sc.rand_attr(rng, 50, 300, f, zero_chance=0.2)
                attrs['VOLUMEMIN'] = sc.rand_attr(rng, 10, 95, f, zero_chance=0.2)
                attrs['STRETCHMAX'] = sc.rand_attr(rng, 60, 250, f, zero_chance=0.3)
                attrs['STRETCHMIN'] = sc.rand_attr(rng, 20, 100, f, zero_chance=0.3)
                attrs['SKEWCONTROL'] = sc.rand_attr(rng, -20, 130, f, zero_chance=0.3)
                attrs['SMOOTH'] = sc.rand_attr(rng, -20, 130, f, zero_chance=0.2)
                attrs['BALANCE'] = sc.rand_attr(rng, -20, 130, f, zero_chance=0.3)
            node = s.add(sc.Node(NODE_TYPE, 'C_%s_%s' % (flatten, ttype), attrs, enabled=rng.random() > 0.03))
            connect(rng, s, node, choose_pegs(rng, s, pegs, names, 2), 2, pegs)
            names.append(node.name)
    return s, names


def reference(s, ev, frames, name):
    node = s.node(name)
    R, L, W = s.input(name, 0), s.input(name, 1), s.input(name, 2)
    out = []
    for i, f in enumerate(frames):
        def arriving(port):
            src = s.input(name, port)
            return ev[src][i] if src else vm.identity()

        # the host's default: the main input's matrix
        default = arriving(1 if node.attrs.get('PRIMARYPORT') == 'LEFT' else 0)
        if not node.enabled:
            out.append(default)
            continue
        a = activity(node, s.node(W) if W else None, f)
        if a <= 0:
            out.append(arriving(0) if R else None)
            continue
        if R is None or L is None:
            out.append(default)
            continue
        opts = options(node, f)
        if opts['FLATTENTYPE'] == 'PROJECT' and not s.camera:
            # seen from the scene's origin: only required to stay finite
            out.append(None)
            continue
        M_R = shared.sanitize_scale(ev[R][i])
        M_L = shared.sanitize_scale(ev[L][i])
        primary = R if primary_side(opts['PRIMARYPORT'], M_R, M_L) == 'RIGHT' else L
        parent = s.input(primary, 0)
        G = shared.sanitize_scale(ev[parent][i]) if parent else vm.identity()
        p = s.to_ogl(s.pivot(R, f))
        q = s.to_ogl(s.pivot(L, f))
        camera = sc.camera_setup(s, ev, i, f)[0] if s.camera else None
        try:
            m = constrain(opts, a, M_R, M_L, G, p, q, camera)
        except Knife:
            m = None
            out.append(None)
            continue
        out.append(default if m is None else m)
    return out


# ---- self-test on worked examples ----

def _close(a, b, tol=1e-12):
    if isinstance(a, (list, tuple)):
        return all(_close(x, y, tol) for x, y in zip(a, b))
    return abs(a - b) <= tol * max(1.0, abs(a), abs(b))


def _opts(**kw):
    o = dict(OPTION_DEFAULTS)
    o.update(kw)
    return o


def self_test():
    I = vm.identity()
    p, q = (0.5, 0.25, 0.0), (1.5, 0.75, 0.0)

    # pegs at rest, default attributes: the identity
    assert _close(constrain(_opts(), 1.0, I, I, I, p, q), I)

    # doubling the distance: stretch 2 along the segment, 0.625 across it
    assert stretch(2.0, 0, 0, 0) == 2.0 and volume(2.0, 0.75, 0.25, 2.0) == 0.625
    assert volume(0.5, 0.75, 0.25, 2.0) == 1.75 and volume(0.2, 0.75, 0.25, 2.0) == 2.0
    m = constrain(_opts(), 1.0, I, vm.T(1.0, 0.5, 0.0), I, p, q)
    x = vm.normalize(vm.sub(q, p))
    y = (-x[1], x[0], 0.0)
    assert _close(vm.point(m, q), (2.5, 1.25, 0.0)) and _close(vm.point(m, p), p)
    assert _close(vm.vector(m, x), vm.scale(x, 2.0)) and _close(vm.vector(m, y), vm.scale(y, 0.625))
    # halving it
    m = constrain(_opts(), 1.0, I, vm.T(-0.5, -0.25, 0.0), I, p, q)
    assert _close(vm.vector(m, x), vm.scale(x, 0.5)) and _close(vm.vector(m, y), vm.scale(y, 1.75))

    # the distance limits, hard and soft
    assert stretch(2.5, 0, 0, 1.5) == 1.5
    for r, want in ((1.2, 1.2), (1.5, 1.5), (3.0, 1.65), (7.0, 1.65), (2.25, 1.5 + 0.15 * 0.5 ** 0.5)):
        assert _close(stretch(r, 1.0, 0, 1.5), want), (r, stretch(r, 1.0, 0, 1.5))
    for r, want in ((0.01, 0.45), (0.05, 0.45), (0.5, 0.5), (0.7, 0.7), (0.275, 0.45 + 0.05 * 0.25)):
        assert _close(stretch(r, 1.0, 0.5, 0), want), (r, stretch(r, 1.0, 0.5, 0))
    assert all(0.45 <= stretch(0.05 + 0.45 * t / 50, 1.0, 0.5, 0) <= 0.5 for t in range(51))

    # ties of the depth test
    assert primary_side('TOPMOST', I, I) == 'LEFT' and primary_side('BOTTOMMOST', I, I) == 'RIGHT'
    up = vm.T(0, 0, 1.0)
    assert primary_side('TOPMOST', up, I) == 'RIGHT' and primary_side('BOTTOMMOST', up, I) == 'LEFT'

    # FLATTEN: a depth difference between the pivots changes neither aim nor stretch, the offset
    # keeps its depth
    lifted = vm.T(0.0, 0.0, 0.7)
    flat = constrain(_opts(FLATTENTYPE='FLATTEN'), 1.0, lifted, vm.mul(lifted, vm.T(0, 0, 0.3)), I, p,
                     (1.5, 0.75, -0.4))
    assert _close(flat, lifted)
    free = constrain(_opts(), 1.0, lifted, vm.mul(lifted, vm.T(0, 0, 0.3)), I, p, (1.5, 0.75, -0.4))
    assert not _close(free, lifted)

    # activity: ACTIVE -100 with a switch at 30 gives 0.7, ACTIVE 50 gives 0.15
    sw = sc.Node('Switch', 'W', {'ACTIVE': sc.Attr(30.0)})
    assert _close(activity(sc.Node(NODE_TYPE, 'n', {'ACTIVE': sc.Attr(-100.0)}), sw, 1), 0.7)
    assert _close(activity(sc.Node(NODE_TYPE, 'n', {'ACTIVE': sc.Attr(50.0)}), sw, 1), 0.15)

    # TRANSLATE maps p onto its current position, and q too when no limit holds it back
    rng = __import__('random').Random(5)
    for _ in range(20):
        MR = vm.mul_all(vm.T(rng.uniform(-1, 1), rng.uniform(-1, 1), 0), vm.R(rng.uniform(-180, 180)),
                        vm.S(rng.uniform(0.5, 2), rng.uniform(0.5, 2)))
        ML = vm.mul_all(vm.T(rng.uniform(-1, 1), rng.uniform(-1, 1), 0), vm.R(rng.uniform(-180, 180)))
        m = constrain(_opts(VOLUMEMIN=0.0, VOLUMEMAX=0.0), 1.0, MR, ML, I, p, q)
        assert _close(vm.point(m, p), vm.point(MR, p), 1e-12)
        assert _close(vm.point(m, q), vm.point(ML, q), 1e-12)
        # an activity blend keeps the right pivot on the line between the two results
        half = constrain(_opts(VOLUMEMIN=0.0, VOLUMEMAX=0.0), 0.25, MR, ML, I, p, q)
        want = vm.add(vm.scale(vm.point(m, p), 0.25), vm.scale(vm.point(MR, p), 0.75))
        assert _close(vm.point(half, p), want, 1e-12)
        # the same with the left peg primary, where the blend still follows the right pivot
        m = constrain(_opts(VOLUMEMIN=0.0, VOLUMEMAX=0.0, PRIMARYPORT='LEFT'), 1.0, MR, ML, I, p, q)
        assert _close(vm.point(m, p), vm.point(MR, p), 1e-12)
        assert _close(vm.point(m, q), vm.point(ML, q), 1e-12)
        half = constrain(_opts(VOLUMEMIN=0.0, VOLUMEMAX=0.0, PRIMARYPORT='LEFT'), 0.25, MR, ML, I, p, q)
        want = vm.add(vm.scale(vm.point(m, p), 0.25), vm.scale(vm.point(MR, p), 0.75))
        assert _close(vm.point(half, p), want, 1e-12)
        # a full balance with a stretch limit still reaches the secondary pivot
        held = constrain(_opts(STRETCHMAX=50.0, BALANCE=100.0), 1.0, MR, ML, I, p, q)
        assert _close(vm.point(held, q), vm.point(ML, q), 1e-12)
        # a parent: the result in its space is the same as without it, composed under it
        Gp = vm.mul(vm.T(0.3, -0.2, 0), vm.R(rng.uniform(-180, 180)))
        m2 = constrain(_opts(VOLUMEMIN=0.0, VOLUMEMAX=0.0), 1.0, vm.mul(Gp, MR), vm.mul(Gp, ML), Gp, p, q)
        assert _close(m2, vm.mul(Gp, m), 1e-12)
        # a full skew turns nothing: the y axis stays where the rest frame had it
        sk = constrain(_opts(SKEWCONTROL=100.0, VOLUMEMIN=0.0, VOLUMEMAX=0.0, VOLUMEMOD=0.0), 1.0, I, ML, I, p, q)
        assert _close(vm.point(sk, q), vm.point(ML, q), 1e-12)
        assert _close(vm.vector(sk, y), y, 1e-12)

    # PROJECT: a secondary pivot already on the primary's plane stays where it is
    cam = vm.mul(vm.T(0.2, 0.1, 5.0), vm.R(10, (1, 0, 0)))
    MR = vm.T(0.1, 0.2, 0.0)
    ML = vm.T(0.3, -0.1, 0.0)
    assert _close(constrain(_opts(FLATTENTYPE='PROJECT'), 1.0, MR, ML, I, p, q, cam),
                  constrain(_opts(), 1.0, MR, ML, I, p, q))
    # ... and one off it lands where the camera sees it
    ML = vm.T(0.3, -0.1, 2.0)
    m = constrain(_opts(FLATTENTYPE='PROJECT', VOLUMEMIN=0.0, VOLUMEMAX=0.0), 1.0, MR, ML, I, p, q, cam)
    seen, eye = vm.point(m, q), vm.point(cam, (0, 0, 0))
    assert _close(seen[2], 0.0)
    assert _close(vm.length(vm.cross(vm.sub(seen, eye), vm.sub(vm.point(ML, q), eye))), 0.0, 1e-12)
    print('ref_point2: self-test passed')


if __name__ == '__main__':
    self_test()
