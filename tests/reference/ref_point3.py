#!/usr/bin/env python3
"""Reference for the three-points constraint: the affine map carrying the triangle of three pegs'
rest pivots onto where they are now, taken from the primary peg's corner, blended with the right
peg's matrix by the activity, and for the transform types composed with the primary peg's parent
and its own turn.

Run on its own (`python3 ref_point3.py`) it checks itself against worked examples.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ref_point2 as p2  # noqa: E402
import scene as sc  # noqa: E402
import shared  # noqa: E402
import vmath as vm  # noqa: E402

NODE_TYPE = 'PointConstraint3'

FLATTENS = ('FLATTEN', 'ALLOW', 'PROJECT')
TRANSFORMS = ('TRANSLATE', 'ALLOW', 'LOCAL')
PRIMARIES = ('RIGHT', 'MIDDLE', 'LEFT', 'TOPMOST', 'BOTTOMMOST')

SKIPPED = p2.SKIPPED
Knife = p2.Knife

# Depths closer than this (but not equal) would let rounding choose the primary peg.
DEPTH_MARGIN = 1e-9

# Corner orders by primary: the primary first, then the other two.
ORDERS = {'RIGHT': (0, 1, 2), 'MIDDLE': (1, 0, 2), 'LEFT': (2, 1, 0)}


def primary_side(port, zr, zm, zl):
    if port in ('TOPMOST', 'BOTTOMMOST'):
        for x, y in ((zr, zm), (zr, zl), (zm, zl)):
            if x != y and abs(x - y) < DEPTH_MARGIN:
                p2._knife('pegs at almost the same depth')
        if port == 'TOPMOST':
            if zl >= zm and zl >= zr:
                return 'LEFT'
            return 'MIDDLE' if zm >= zr and zm >= zl else 'RIGHT'
        if zl <= zm and zl <= zr:
            return 'LEFT'
        return 'MIDDLE' if zm <= zr and zm <= zl else 'RIGHT'
    return port


def constrain(opts, a, mats, pivots, parent_of, camera=None):
    """The constrained matrix, or None when the computation gives up (the host's default stands).

    opts: option keywords; a: the activity (> 0); mats: the right, middle and left pegs' matrices
    (sanitized); pivots: their rest pivots in drawing units; parent_of(i): the sanitized parent
    matrix of peg i, or None; camera: the scene's camera matrix (for PROJECT)."""
    for i, j in ((0, 1), (0, 2), (1, 2)):
        if pivots[i] == pivots[j]:
            return None
    current = [vm.point(m, p) for m, p in zip(mats, pivots)]
    primary = primary_side(opts['PRIMARYPORT'], *(c[2] for c in current))
    order = ORDERS[primary]
    p0, p1, p2_ = (pivots[i] for i in order)
    c0, c1, c2 = (current[i] for i in order)
    P = mats[order[0]]
    if opts['FLATTENTYPE'] == 'PROJECT' and camera is not None:
        seen = []
        for c in (c1, c2):
            on_plane = shared.project_to_drawing_plane(c, camera, P)
            if on_plane is None:
                p2._knife('camera ray along the plane')
            seen.append(vm.point(P, on_plane))
        c1, c2 = seen
    n = vm.vector(P, (0.0, 0.0, 1.0))
    ttype = opts['TRANSFORMTYPE']
    G = vm.identity()
    T1 = vm.identity()
    if ttype in ('ALLOW', 'LOCAL'):
        parent = parent_of(order[0])
        if parent is not None:
            G = parent
        Gi = vm.get_inverse(G)
        # the primary peg's own turn below its parent, about its rest pivot
        T1 = vm.mul_all(vm.T(p0), vm.rotation(vm.mul(Gi, P)), vm.T(vm.scale(p0, -1)))
        c0, c1, c2 = (vm.point(Gi, c) for c in (c0, c1, c2))
        n = (0.0, 0.0, 1.0)
    if vm.length(n) == 0.0:
        n = (0.0, 0.0, 0.0001)
    A1 = vm.from_axes(vm.sub(c1, c0), vm.sub(c2, c0), n, c0)
    A0 = vm.from_axes(vm.sub(p1, p0), vm.sub(p2_, p0), (0.0, 0.0, 1.0), p0)
    try:
        Q = vm.mul(shared.sanitize_scale(A1), vm.inverse(shared.sanitize_scale(A0)))
    except vm.Singular:
        Q = vm.identity()
    if a != 1:
        Q = p2.guarded_blend(Q, mats[0], a)
    if ttype == 'ALLOW':
        return vm.mul_all(G, Q, T1)
    if ttype == 'LOCAL':
        return vm.mul_all(G, T1, Q)
    return Q


# ---- scenes ----

def good_triangle(pts, least=0.3):
    """Whether the rest triangle is far from flat in the drawing plane (the sine of its smallest
    corner angle), so that its frame's inverse is well conditioned."""
    for i in range(3):
        u = vm.sub(pts[(i + 1) % 3], pts[i])
        v = vm.sub(pts[(i + 2) % 3], pts[i])
        lu, lv = math.hypot(u[0], u[1]), math.hypot(v[0], v[1])
        if lu == 0 or lv == 0 or abs(u[0] * v[1] - u[1] * v[0]) / (lu * lv) < least:
            return False
    return True


def pick_pegs(rng, s, pegs, names):
    for _ in range(50):
        chosen = p2.choose_pegs(rng, s, pegs, names, 3)
        if good_triangle([s.pivot(n, s.frames[0]) for n in chosen]):
            return chosen
    return chosen


def make_scene(rng):
    """Every flatten type, transform type and primary port on its own node, each with random pegs
    (a rest triangle that is not flat; now and then an earlier node of the scene), switch and
    activity."""
    s, pegs = p2.common_scene(rng)
    names = []
    for flatten in FLATTENS:
        for ttype in TRANSFORMS:
            for primary in PRIMARIES:
                node = s.add(sc.Node(NODE_TYPE, 'C_%s_%s_%s' % (flatten, ttype, primary), {
                    'ACTIVE': p2.random_activity(rng, s.frames),
                    'FLATTENTYPE': flatten,
                    'TRANSFORMTYPE': ttype,
                    'PRIMARYPORT': primary,
                }, enabled=rng.random() > 0.03))
                p2.connect(rng, s, node, pick_pegs(rng, s, pegs, names), 3, pegs)
                names.append(node.name)
    return s, names


MAIN_PORT = {'LEFT': 2, 'MIDDLE': 1}


def main_port(s, name):
    """The input that a node passes down by default (nothing is selected in these scenes)."""
    n = s.node(name)
    if n.type == NODE_TYPE:
        return MAIN_PORT.get(n.attrs.get('PRIMARYPORT', 'RIGHT'), 0)
    if n.type == p2.NODE_TYPE:
        return 1 if n.attrs.get('PRIMARYPORT') == 'LEFT' else 0
    return 0


def reference(s, ev, frames, name):
    node = s.node(name)
    pegs = [s.input(name, port) for port in range(3)]
    W = s.input(name, 3)
    opts = {'FLATTENTYPE': node.attrs.get('FLATTENTYPE', 'ALLOW'),
            'TRANSFORMTYPE': node.attrs.get('TRANSFORMTYPE', 'TRANSLATE'),
            'PRIMARYPORT': node.attrs.get('PRIMARYPORT', 'RIGHT')}
    main = s.input(name, main_port(s, name))
    out = []
    for i, f in enumerate(frames):
        # the host's default: the main input's matrix; it is also the node's `in`
        default = ev[main][i] if main else vm.identity()
        if not node.enabled or p2.activity(node, s.node(W) if W else None, f) <= 0 or None in pegs:
            out.append(default)
            continue
        if opts['FLATTENTYPE'] == 'PROJECT' and not s.camera:
            # seen from the scene's origin: only required to stay finite
            out.append(None)
            continue
        a = p2.activity(node, s.node(W) if W else None, f)
        mats = [shared.sanitize_scale(ev[n][i]) for n in pegs]
        pivots = [s.to_ogl(s.pivot(n, f)) for n in pegs]

        def parent_of(k):
            up = s.input(pegs[k], main_port(s, pegs[k]))
            return shared.sanitize_scale(ev[up][i]) if up else None
        camera = sc.camera_setup(s, ev, i, f)[0] if s.camera else None
        try:
            m = constrain(opts, a, mats, pivots, parent_of, camera)
        except Knife:
            out.append(None)
            continue
        out.append(default if m is None else m)
    return out


# ---- self-test on worked examples ----

def self_test():
    close = p2._close
    I = vm.identity()
    pts = [(0.5, 0.25, 0.0), (1.5, 0.5, 0.0), (0.75, 1.25, 0.0)]
    opts = {'FLATTENTYPE': 'ALLOW', 'TRANSFORMTYPE': 'TRANSLATE', 'PRIMARYPORT': 'RIGHT'}

    # pegs at rest: the identity
    assert close(constrain(opts, 1.0, [I, I, I], pts, lambda k: None), I)

    # the map carries the rest triangle onto the current one, whichever corner is primary
    rng = __import__('random').Random(3)
    for _ in range(20):
        mats = [vm.mul_all(vm.T(rng.uniform(-1, 1), rng.uniform(-1, 1), 0), vm.R(rng.uniform(-180, 180)),
                           vm.S(rng.uniform(0.5, 2), rng.uniform(0.5, 2))) for _ in range(3)]
        for primary in ('RIGHT', 'MIDDLE', 'LEFT'):
            m = constrain(dict(opts, PRIMARYPORT=primary), 1.0, mats, pts, lambda k: None)
            for mat, p in zip(mats, pts):
                assert close(vm.point(m, p), vm.point(mat, p), 1e-12)
        # moving only the middle peg keeps the right pivot in place
        m = constrain(opts, 1.0, [I, mats[1], I], pts, lambda k: None)
        assert close(vm.point(m, pts[0]), pts[0], 1e-12) and close(vm.point(m, pts[2]), pts[2], 1e-12)
        # an activity of 0.5 lies halfway (in translation) between the right peg and the map,
        # and one of 2 reaches as far beyond the map
        full = constrain(opts, 1.0, mats, pts, lambda k: None)
        half = constrain(opts, 0.5, mats, pts, lambda k: None)
        assert close(half[12:15], [(x + y) / 2 for x, y in zip(full[12:15], mats[0][12:15])], 1e-12)
        twice = constrain(opts, 2.0, mats, pts, lambda k: None)
        assert close(twice[12:15], [2 * x - y for x, y in zip(full[12:15], mats[0][12:15])], 1e-12)

    # a parent under the primary peg: ALLOW and LOCAL compose the map found below the parent
    # with the peg's own turn about its rest pivot (after the map for ALLOW, which leaves the
    # pivot on the peg; before it for LOCAL)
    G = vm.mul(vm.T(0.3, -0.2, 0), vm.R(35))
    own = vm.mul_all(vm.T(0.1, 0.05, 0), vm.R(20), vm.S(1.5, 0.8))
    mats = [vm.mul(G, own), vm.mul(G, vm.T(0.2, 0, 0)), G]
    for ttype in ('ALLOW', 'LOCAL'):
        m = constrain(dict(opts, TRANSFORMTYPE=ttype), 1.0, mats, pts, lambda k: G if k == 0 else None)
        if ttype == 'ALLOW':
            assert close(vm.point(m, pts[0]), vm.point(mats[0], pts[0]), 1e-12)
        below = constrain(opts, 1.0, [own, vm.T(0.2, 0, 0), I], pts, lambda k: None)
        turn = vm.mul_all(vm.T(pts[0]), vm.R(20), vm.T(vm.scale(pts[0], -1)))
        want = vm.mul_all(G, below, turn) if ttype == 'ALLOW' else vm.mul_all(G, turn, below)
        assert close(m, want, 1e-12)

    # depth ties go to the left peg, then the middle one
    assert primary_side('TOPMOST', 0.0, 0.0, 0.0) == 'LEFT' and primary_side('BOTTOMMOST', 0.0, 0.0, 0.0) == 'LEFT'
    assert primary_side('TOPMOST', 1.0, 1.0, 0.0) == 'MIDDLE' and primary_side('BOTTOMMOST', 0.0, 0.0, 1.0) == 'MIDDLE'
    assert primary_side('TOPMOST', 2.0, 1.0, 0.0) == 'RIGHT' and primary_side('BOTTOMMOST', 2.0, 1.0, 3.0) == 'MIDDLE'

    # coinciding rest pivots give up
    assert constrain(opts, 1.0, [I, I, I], [pts[0], pts[0], pts[2]], lambda k: None) is None

    # PROJECT: the secondary pivots land on the primary peg's plane where the camera sees them
    cam = vm.mul(vm.T(0.2, 0.1, 5.0), vm.R(10, (1, 0, 0)))
    mats = [vm.T(0.1, 0.2, 0.0), vm.T(0.3, -0.1, 1.5), vm.T(-0.2, 0.1, -1.0)]
    m = constrain(dict(opts, FLATTENTYPE='PROJECT'), 1.0, mats, pts, lambda k: None, cam)
    eye = vm.point(cam, (0, 0, 0))
    for mat, p in zip(mats[1:], pts[1:]):
        seen = vm.point(m, p)
        assert close(seen[2], 0.0) and close(vm.cross(vm.sub(seen, eye), vm.sub(vm.point(mat, p), eye)), (0, 0, 0))
    print('ref_point3: self-test passed')


if __name__ == '__main__':
    self_test()
