"""Reference for the multi-points constraint: one control point per peg input (its rest pivot and
where its matrix carries it now), the points optionally reduced to the convex hull of their rest
positions, expressed in the frame of the first input (or projected through the scene camera onto
that input's plane), then fitted: one point copies its input, two points turn and stretch along
their line, three points map one triangle onto the other, four or more are a least-squares affine
or projective fit (single precision in the node; here a double-precision minimum-norm solver, so
those are compared at single-precision level).

Run on its own (python3 ref_multi.py) it checks itself against worked examples and independent
second methods (a direct homography, normal equations)."""
import math
import random

import scene as sc
import shared
import vmath
from vmath import (S, T, add, cross, from_axes, get_inverse, identity, inverse, length, mul, mul_all, normalize,
                   point, scale, sub)

NODE_TYPE = 'PointConstraintMulti'
TOLERANCE = 1e-9
# Four or more points: the node solves in single precision. Rounding the system to single
# precision alone moves the fit by up to about 0.7 times the condition number times the
# single-precision epsilon (relative to the matrix scale); the solver's own rounding adds a few
# times that. The tolerance is ten times condition x epsilon, and never below 2e-5.
FLOAT_TOLERANCE = 2e-5
F32_EPS = 2.0 ** -23
CONDITION_FACTOR = 10.0

ALLOW, PROJECT = 1, 2
# The perspective refit compares divisors with 0.2 and improvements with 0.01: closer to either
# than single precision can tell apart (a generous multiple of the fit's condition number times
# the single-precision epsilon, on the scale of the divisor's terms), the two precisions may
# decide differently, and the frame is only checked for finiteness.
DECISION_MARGIN = 20.0


class KnifeEdge(Exception):
    """The computation lands too close to a threshold for a double-precision reference to speak
    for a single-precision one."""


# ---- minimum-norm least squares (one-sided Jacobi SVD, double precision) ----

def _jacobi_svd_tall(G):
    """G as a list of columns (each of m >= n entries): (singular values, U columns, V columns),
    by one-sided Jacobi rotations that make the columns orthogonal."""
    n = len(G)
    m = len(G[0]) if n else 0
    G = [list(c) for c in G]
    V = [[1.0 if i == j else 0.0 for i in range(n)] for j in range(n)]
    for _sweep in range(60):
        rotated = False
        for p in range(n - 1):
            for q in range(p + 1, n):
                gp, gq = G[p], G[q]
                gamma = sum([x * y for x, y in zip(gp, gq)])
                if gamma == 0.0:
                    continue
                alpha = sum([x * x for x in gp])
                beta = sum([x * x for x in gq])
                if abs(gamma) <= 1e-15 * math.sqrt(alpha * beta):
                    continue
                rotated = True
                zeta = (beta - alpha) / (2.0 * gamma)
                t = math.copysign(1.0, zeta) / (abs(zeta) + math.sqrt(1.0 + zeta * zeta))
                c = 1.0 / math.sqrt(1.0 + t * t)
                s = c * t
                G[p] = [c * x - s * y for x, y in zip(gp, gq)]
                G[q] = [s * x + c * y for x, y in zip(gp, gq)]
                vp, vq = V[p], V[q]
                V[p] = [c * x - s * y for x, y in zip(vp, vq)]
                V[q] = [s * x + c * y for x, y in zip(vp, vq)]
        if not rotated:
            break
    sigma = [math.sqrt(sum(x * x for x in c)) for c in G]
    U = [[x / s for x in c] if s > 0 else [0.0] * m for c, s in zip(G, sigma)]
    return sigma, U, V


def svd(A):
    """A (list of rows, m x n): (singular values, U columns of length m, V columns of length n)."""
    m, n = len(A), len(A[0])
    if m >= n:
        return _jacobi_svd_tall([[A[r][c] for r in range(m)] for c in range(n)])
    # A^T = U' S V'^T, so A = V' S U'^T
    sigma, U2, V2 = _jacobi_svd_tall([list(row) for row in A])
    return sigma, V2, U2


def min_norm_lstsq(A, b, threshold_factor):
    """The minimum-norm least-squares solution of A x = b; singular values below the largest one
    times threshold_factor count as zero. Also returns the singular values and the threshold."""
    sigma, U, V = svd(A)
    n = len(A[0])
    top = max(sigma) if sigma else 0.0
    limit = max(top * threshold_factor, 2.2250738585072014e-308)
    x = [0.0] * n
    for s, u, v in zip(sigma, U, V):
        if s < limit:
            continue
        k = sum(ui * bi for ui, bi in zip(u, b)) / s
        for i in range(n):
            x[i] += k * v[i]
    return x, sigma, limit


# ---- the fits ----

def convex_hull(points):
    """The points whose rest positions span the convex hull in x-y (monotone chain), counter-
    clockwise from the smallest x; collinear and repeated points are left out."""
    pts = sorted(points, key=lambda p: (p['rest'][0], p['rest'][1]))

    def turn(a, b, p):
        A, B, P = a['rest'], b['rest'], p['rest']
        return (B[0] - A[0]) * (P[1] - A[1]) - (B[1] - A[1]) * (P[0] - A[0])

    chain = []
    for p in pts:
        while len(chain) >= 2 and turn(chain[-2], chain[-1], p) <= 0:
            chain.pop()
        chain.append(p)
    lower = len(chain) + 1
    for p in reversed(pts[:-1]):
        while len(chain) >= lower and turn(chain[-2], chain[-1], p) <= 0:
            chain.pop()
        chain.append(p)
    return chain[:-1]


def fit_two(R0, R1, Q0, Q1):
    """Turns the rest direction onto the current one and stretches along it only; None when an
    offset is empty or both offsets are equal."""
    d1, d2 = sub(R1, R0), sub(Q1, Q0)
    if length(d1) == 0 or length(d2) == 0 or d1 == d2:
        return None
    z = (0.0, 0.0, 1.0)
    e1 = normalize(d1)
    f1 = normalize(cross(z, e1))
    B1 = from_axes(e1, f1, z)
    e2 = normalize(d2)
    f2 = normalize(cross(z, e2))
    g2 = normalize(cross(e2, f2))
    B2 = from_axes(e2, f2, g2)
    s = length(d2) / length(d1)
    return mul_all(T(Q0), B2, S(s, 1, 1), get_inverse(B1), T(scale(R0, -1)))


def fit_three(R, Q):
    """The affine map of the rest triangle onto the current one, keeping the unit z vector."""
    z = (0.0, 0.0, 1.0)
    Mc = from_axes(sub(Q[1], Q[0]), sub(Q[2], Q[0]), z, Q[0])
    Mr = from_axes(sub(R[1], R[0]), sub(R[2], R[0]), z, R[0])
    try:
        return mul(shared.sanitize_scale(Mc), inverse(shared.sanitize_scale(Mr)))
    except vmath.Singular:
        raise KnifeEdge('singular rest triangle')


def fit_points(R, Q, perspective, level=0, previous_change=-1.0, weights=None, log=None):
    """Least-squares fit of four or more points; with perspective, refits while some point's
    divisor w falls to 0.2 or below, pinning every divisor to at least 0.2. Raises KnifeEdge near
    a decision that single precision could take the other way."""
    n = len(R)
    three_d = any(abs(r[2] - q[2]) > 0.00001 for r, q in zip(R, Q))
    A, b = [], []
    for k in range(n):
        rx, ry, rz = R[k]
        px, py, pz = Q[k]
        for c_lin, c_z, c_t, target in ((0, 4, 12, px), (1, 5, 13, py), (2, 6, 14, pz)):
            if c_lin == 2 and not three_d:
                continue
            row = [0.0] * 15
            row[c_lin], row[c_z], row[c_t] = rx, ry, 1.0
            if three_d:
                row[c_lin + 8] = rz
            if perspective:
                row[3], row[7] = -rx * target, -ry * target
                if three_d:
                    row[11] = -rz * target
            A.append(row)
            b.append(target)
        if weights is not None and perspective and k < len(weights):
            row = [0.0] * 15
            row[3], row[7] = rx, ry
            if three_d:
                row[11] = rz
            A.append(row)
            b.append(weights[k] - 1.0)
    h, sigma, limit = min_norm_lstsq(A, b, min(len(A), 15) * F32_EPS)
    for s in sigma:
        if limit / 10 < s < limit * 10:
            raise KnifeEdge('singular value %.3g near the rank threshold %.3g' % (s, limit))
    kept = [s for s in sigma if s >= limit]
    condition = max(kept) / min(kept) if kept else 1.0
    if log is not None:
        log.append({'level': level, 'condition': condition, 'rows': len(A)})
    vals = h[0:8] + (h[8:12] if three_d else [0.0, 0.0, 1.0, 0.0]) + [h[12], h[13], h[14], 1.0]
    if not perspective:
        return vals
    new_weights, change, bad, margins = [], 0.0, False, []
    for k in range(n):
        rx, ry, rz = R[k]
        terms = (h[3] * rx, h[7] * ry, h[11] * rz if three_d else 0.0)
        w = terms[0] + terms[1] + terms[2] + 1.0
        margin = DECISION_MARGIN * condition * F32_EPS * (1.0 + sum(abs(t) for t in terms))
        margins.append(margin)
        if abs(w - 0.2) < margin:
            raise KnifeEdge('divisor %.9g near 0.2 at level %d' % (w, level))
        new_weights.append(max(w, 0.2))
        if w <= 0.2:
            bad = True
            if weights is not None and k < len(weights):
                change = max(change, abs(weights[k] - w))
    if bad and level < 100:
        if weights is not None and level > 1 and abs(previous_change - change - 0.01) < 3 * max(margins):
            raise KnifeEdge('improvement %.6g near 0.01 at level %d' % (previous_change - change, level))
        if weights is None or level <= 1 or previous_change - change > 0.01:
            return fit_points(R, Q, perspective, level + 1, change, new_weights, log)
    return vals


# ---- the node ----

def compute(points, a, flatten, hull, perspective, camera, incoming, log=None):
    """The node's output from its gathered points. points: dicts with 'matrix' (the sanitised
    input matrix), 'rest' (the pivot in drawing units), 'pos' (matrix x rest), in port order,
    duplicates already dropped; a: the activity in [0, 1]; camera: the scene camera's matrix or
    None without a scene camera; incoming: the matrix that stands when the node does not compute."""
    if not points or a == 0:
        return incoming
    F = points[0]['matrix']
    QF = points[0]['pos']
    P = points
    if hull and len(P) >= 3:
        P = convex_hull(P)
    n = len(P)
    out = identity()
    R = [p['rest'] for p in P]
    Q = [p['pos'] for p in P]
    if flatten == PROJECT or n > 3:
        if n > 1:
            # without a scene camera the view is the identity: the eye sits at the scene's origin
            eye_matrix = camera if camera is not None else identity()
            eye = vmath.point(get_inverse(F), vmath.point(eye_matrix, (0.0, 0.0, 0.0)))
            if eye[2] != 0 and abs(eye[2]) < 1e-6 * max(1.0, length(eye)):
                raise KnifeEdge('the eye lies almost in the first input\'s plane')
            Q = []
            for p in P:
                if p['matrix'] == F or p['pos'] == QF:
                    q = p['rest']
                elif eye[2] == 0:
                    # the plane is seen edge-on: nothing can be carried back onto it
                    q = (0.0, 0.0, 0.0)
                elif camera is None and p['pos'][2] == 0:
                    # a point level with the eye has no place in the view: not projected
                    q = (0.0, 0.0, 0.0)
                else:
                    q = shared.project_to_drawing_plane(p['pos'], eye_matrix, F)
                    if q is None:
                        raise KnifeEdge('point seen along the plane')
                if a != 1:
                    q = add(p['rest'], scale(sub(q, p['rest']), a))
                Q.append(q)
            out = F
    else:
        G = get_inverse(F)
        Q = []
        for p in P:
            q = point(G, p['pos'])
            if a != 1:
                q = add(p['rest'], scale(sub(q, p['rest']), a))
            Q.append(q)
        out = F
    if n == 1:
        return P[0]['matrix']
    if n == 2:
        fit = fit_two(R[0], R[1], Q[0], Q[1])
        if fit is None:
            return incoming
        return mul(out, fit)
    if n == 3:
        return mul(out, fit_three(R, Q))
    return mul(out, fit_points(R, Q, perspective, log=log))


def clamp01(v):
    return min(max(v, 0.0), 1.0) if v == v else 0.0


def selected_upstream(s, name):
    seen, todo = {name}, [name]
    while todo:
        n = todo.pop()
        if s.node(n).selected:
            return True
        for src, dst, _, _ in s.links:
            if dst == n and src not in seen:
                seen.add(src)
                todo.append(src)
    return False


def reference(s, ev, frames, name):
    node = s.node(name)
    ports = 1 + max([p for _, dst, p, _ in s.links if dst == name], default=-1)
    selected_port = -1
    out = []
    for i, f in enumerate(frames):
        main = selected_port if selected_port >= 0 and s.input(name, selected_port) else 0
        src = s.input(name, main)
        incoming = list(ev[src][i]) if src else identity()
        if not node.enabled or ports == 0:
            out.append(incoming)
            continue
        flatten = PROJECT if node.attrs.get('FLATTENTYPE', 'ALLOW') == 'PROJECT' else ALLOW
        hull = bool(node.attrs.get('CONVEXHULL', False))
        perspective = bool(node.attrs.get('ALLOWPERSP', False))
        a = clamp01(node.num('ACTIVE', f, 100.0) / 100.0)
        switched = False
        points = []
        for port in range(ports):
            src = s.input(name, port)
            if src is None:
                continue
            if s.node(src).type == 'Switch':
                if not switched:
                    a *= clamp01(s.node(src).num('ACTIVE', f, 100.0) / 100.0)
                    switched = True
                continue
            if selected_upstream(s, src):
                selected_port = port
            M = shared.sanitize_scale(ev[src][i])
            R = s.to_ogl(s.pivot(src, f))
            if any(p['rest'] == R for p in points):
                continue
            points.append({'matrix': M, 'rest': R, 'pos': point(M, R), 'port': port})
        camera = ev[s.camera][i] if s.camera else None
        log = []
        try:
            m = compute(points, a, flatten, hull, perspective, camera, incoming, log)
        except KnifeEdge as e:
            s.skipped = getattr(s, 'skipped', []) + ['%s frame %s: %s' % (name, f, e)]
            out.append(None)
            continue
        if log:
            condition = max(entry['condition'] for entry in log)
            tol = max(FLOAT_TOLERANCE, CONDITION_FACTOR * condition * F32_EPS)
            homography = getattr(s, 'homography', {}).get(name)
            if homography and len(log) == 1:
                m = homography_expected(points, a, camera, m)
            out.append((m, tol))
        else:
            out.append(m)
    return out


# ---- an independent homography for four coplanar points ----

def solve_linear(A, b):
    """Gaussian elimination with partial pivoting (square, regular systems)."""
    n = len(A)
    M = [list(A[r]) + [b[r]] for r in range(n)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(M[r][c]))
        M[c], M[p] = M[p], M[c]
        for r in range(c + 1, n):
            k = M[r][c] / M[c][c]
            for j in range(c, n + 1):
                M[r][j] -= k * M[c][j]
    x = [0.0] * n
    for r in reversed(range(n)):
        x[r] = (M[r][n] - sum(M[r][j] * x[j] for j in range(r + 1, n))) / M[r][r]
    return x


def homography(src, dst):
    """The plane homography (h33 = 1) carrying four 2-D points onto four others, as a 4x4 matrix
    in the host's value order acting on (x, y, 0)."""
    A, b = [], []
    for (x, y), (u, v) in zip(src, dst):
        A.append([x, y, 1, 0, 0, 0, -u * x, -u * y])
        b.append(u)
        A.append([0, 0, 0, x, y, 1, -v * x, -v * y])
        b.append(v)
    a_, b_, c_, d_, e_, f_, g_, h_ = solve_linear(A, b)
    return [a_, d_, 0.0, g_, b_, e_, 0.0, h_, 0.0, 0.0, 1.0, 0.0, c_, f_, 0.0, 1.0]


def homography_expected(points, a, camera, fitted):
    """For four inputs with pivots in z = 0 and perspective on: the first input's matrix times the
    homography carrying the rest pivots onto the current ones as the camera sees them on that
    input's plane (blended by the activity). The reference's own fit must agree with it."""
    F = points[0]['matrix']
    dst = []
    for k, p in enumerate(points):
        q = p['rest'] if k == 0 else shared.project_to_drawing_plane(p['pos'], camera, F)
        dst.append((p['rest'][0] + a * (q[0] - p['rest'][0]), p['rest'][1] + a * (q[1] - p['rest'][1])))
    m = mul(F, homography([p['rest'][:2] for p in points], dst))
    d = vmath.max_rel_diff(m, fitted)
    assert d < 1e-8, 'the least-squares fit of four coplanar points is not their homography (%.3g)' % d
    for p, q in zip(points, dst):
        landed = point(m, p['rest'])
        target = point(F, (q[0], q[1], 0.0))
        assert vmath.length(sub(landed, target)) < 1e-9 * max(1.0, vmath.length(target))
    return m


# ---- random scenes ----

ACTIVITIES = (0.0, 50.0, 100.0, 100.0, 150.0, -100.0)
KINDS = ('general', 'general', 'general', 'general', 'square', 'homography', 'refit', 'refit', 'collinear',
         'duplicate', 'rigid')


def rig_peg(rng, name, frames, pivot, motion=1.0, tilt=True):
    """A peg that moves a little around its rest pose (so that a group of them moves together, as
    a rig's controls do), with its pivot in scene units."""
    a = {
        'POSITION.X': sc.rand_attr(rng, -motion, motion, frames),
        'POSITION.Y': sc.rand_attr(rng, -motion, motion, frames),
        'ROTATION.ANGLEZ': sc.rand_attr(rng, -15 * motion, 15 * motion, frames),
        'SCALE.X': sc.rand_attr(rng, 1 - 0.2 * motion, 1 + 0.2 * motion, frames),
        'SCALE.Y': sc.rand_attr(rng, 1 - 0.2 * motion, 1 + 0.2 * motion, frames),
        'PIVOT.X': sc.Attr(pivot[0]),
        'PIVOT.Y': sc.Attr(pivot[1]),
    }
    if len(pivot) > 2 and pivot[2] != 0:
        a['PIVOT.Z'] = sc.Attr(pivot[2])
    if tilt and rng.random() < 0.5:
        a['POSITION.Z'] = sc.rand_attr(rng, -motion, motion, frames)
        a['ROTATION.ANGLEX'] = sc.rand_attr(rng, -10 * motion, 10 * motion, frames)
        a['ROTATION.ANGLEY'] = sc.rand_attr(rng, -10 * motion, 10 * motion, frames)
    if rng.random() < 0.3:
        a['SKEW'] = sc.rand_attr(rng, -10 * motion, 10 * motion, frames)
    return sc.Node('Peg', name, a)


def _parent(rng, s, name):
    """A parent peg (no tilt, so that the first input's plane never turns edge-on to the camera)."""
    return s.add(sc.random_peg(rng, name, s.frames, depth=False, mirror_chance=0.2))


def make_scene(rng):
    s = sc.Scene(frames=(1, rng.randint(4, 8)), metrics=sc.random_metrics(rng))
    kind = rng.choice(KINDS)
    f = s.frames
    opts = {
        'FLATTENTYPE': rng.choice(['ALLOW', 'PROJECT']),
        'CONVEXHULL': rng.random() < 0.5,
        'ALLOWPERSP': rng.random() < 0.5,
    }
    pegs = []
    if kind == 'general':
        n = rng.randint(1, 7)
        coherent = rng.random() < 0.6
        shared_parent = _parent(rng, s, 'Root') if coherent and rng.random() < 0.7 else None
        depth = rng.random() < 0.35
        for k in range(n):
            name = 'P%d' % k
            if coherent:
                pivot = (rng.uniform(-6, 6), rng.uniform(-6, 6), rng.uniform(-2, 2) if depth and rng.random() < 0.5 else 0.0)
                peg = s.add(rig_peg(rng, name, f, pivot, motion=rng.choice([0.3, 1.0])))
                if shared_parent:
                    s.link(shared_parent.name, name, 0)
            else:
                peg = s.add(sc.random_peg(rng, name, f, depth=rng.random() < 0.5))
                if rng.random() < 0.4:
                    _parent(rng, s, name + 'Parent')
                    s.link(name + 'Parent', name, 0)
            pegs.append(peg.name)
        if rng.random() < 0.1 and pegs:
            # a constraint node in between: its pivot is the one of the node on its first input
            gate = s.add(sc.Node('TransformGate', 'Gate', {'TARGET_GATE': 0, 'DEFAULT_GATE': 0}))
            s.link(pegs[0], gate.name, 0)
            pegs[0] = gate.name
    elif kind == 'square':
        # four corners and a centre that the hull leaves out
        root = _parent(rng, s, 'Root')
        c, h = (rng.uniform(-2, 2), rng.uniform(-2, 2)), rng.uniform(2, 5)
        corners = [(c[0] - h, c[1] - h), (c[0] + h, c[1] - h), (c[0] + h, c[1] + h), (c[0] - h, c[1] + h), c]
        if rng.random() < 0.5:
            # a point on an edge, exactly in line with two corners: not a hull vertex
            corners.append(rng.choice([(c[0], c[1] - h), (c[0] + h, c[1]), (c[0], c[1] + h), (c[0] - h, c[1])]))
        order = list(range(len(corners)))
        rng.shuffle(order)
        for k in order:
            peg = s.add(rig_peg(rng, 'P%d' % k, f, corners[k], motion=0.3))
            s.link(root.name, peg.name, 0)
            pegs.append(peg.name)
        opts['CONVEXHULL'] = rng.random() < 0.8
    elif kind == 'homography':
        # four pivots in the plane z = 0 and perspective on: the fit is the exact homography
        root = _parent(rng, s, 'Root')
        quad = [(-4, -3), (4, -3), (4, 3), (-4, 3)]
        for k, (x, y) in enumerate(quad):
            pivot = (x + rng.uniform(-1, 1), y + rng.uniform(-1, 1))
            peg = s.add(rig_peg(rng, 'P%d' % k, f, pivot, motion=0.4))
            s.link(root.name, peg.name, 0)
            pegs.append(peg.name)
        opts['ALLOWPERSP'] = True
        opts['CONVEXHULL'] = False
        s.homography = {'Multi': True}
    elif kind == 'refit':
        # a square whose one corner is dragged far out: its divisor falls through 0.2 and the
        # perspective fit refits with pinned divisors
        c, h = (rng.uniform(-1, 1), rng.uniform(-1, 1)), rng.uniform(2, 4)
        corners = [(c[0] - h, c[1] - h), (c[0] + h, c[1] - h), (c[0] + h, c[1] + h), (c[0] - h, c[1] + h)]
        if rng.random() < 0.4:
            corners.append(c)
        far = (rng.uniform(3, 20) - 1) * 2 * h
        for k, pivot in enumerate(corners):
            if k == 2:
                peg = s.add(sc.Node('Peg', 'P2', {
                    'POSITION.X': sc.Attr(keys=[(f[0], 0.2 * far, sc.LINEAR), (f[1], far * rng.uniform(0.8, 1.2), sc.LINEAR)]),
                    'POSITION.Y': sc.Attr(keys=[(f[0], 0.2 * far, sc.LINEAR), (f[1], far * rng.uniform(0.8, 1.2), sc.LINEAR)]),
                    'PIVOT.X': sc.Attr(pivot[0]), 'PIVOT.Y': sc.Attr(pivot[1])}))
            else:
                peg = s.add(rig_peg(rng, 'P%d' % k, f, pivot, motion=0.2))
            pegs.append(peg.name)
        opts['ALLOWPERSP'] = True
    elif kind == 'collinear':
        # rest pivots on one line: rank-deficient systems, and a hull of two end points
        n = rng.randint(3, 6)
        y = rng.uniform(-4, 4)
        xs = rng.sample(range(-6, 7), n)
        root = _parent(rng, s, 'Root') if rng.random() < 0.5 else None
        for k in range(n):
            peg = s.add(rig_peg(rng, 'P%d' % k, f, (float(xs[k]), y), motion=0.5))
            if root:
                s.link(root.name, peg.name, 0)
            pegs.append(peg.name)
    elif kind == 'duplicate':
        # two inputs share their rest pivot and count once
        n = rng.randint(2, 5)
        pivots = [(rng.uniform(-6, 6), rng.uniform(-6, 6)) for _ in range(n - 1)]
        pivots.insert(rng.randint(1, n - 1), pivots[rng.randrange(n - 1)])
        for k in range(n):
            pegs.append(s.add(rig_peg(rng, 'P%d' % k, f, pivots[k], motion=1.0)).name)
    else:
        # pegs that only carry a parent's exact translation: equal rest and current offsets
        root = s.add(sc.Node('Peg', 'Root', {'POSITION.X': sc.Attr(rng.randint(-8, 8) / 4),
                                             'POSITION.Y': sc.Attr(rng.randint(-8, 8) / 4)}))
        for k in range(2):
            peg = s.add(sc.Node('Peg', 'P%d' % k, {'PIVOT.X': sc.Attr(rng.randint(-12, 12) / 2),
                                                   'PIVOT.Y': sc.Attr(rng.randint(-12, 12) / 2 + 13 * k)}))
            s.link(root.name, peg.name, 0)
            pegs.append(peg.name)
        opts['FLATTENTYPE'] = 'ALLOW'
        s.metrics = (0.0625, 0.0625, 0.05)

    if kind == 'refit' and rng.random() < 0.8:
        opts['ACTIVE'] = sc.Attr(rng.choice([100.0, 150.0]))
    elif rng.random() < 0.4:
        opts['ACTIVE'] = sc.Attr(rng.choice(ACTIVITIES))
    else:
        opts['ACTIVE'] = sc.rand_attr(rng, -5, 120, f, zero_chance=0.1)
    multi = s.add(sc.Node('PointConstraintMulti', 'Multi', opts))
    multi.enabled = rng.random() > 0.03

    # ports: the point inputs in a random order, with gaps and switches among them
    switches = []
    if kind != 'homography':
        for k in range(rng.choice([0, 0, 1, 1, 2])):
            switches.append(s.add(sc.random_switch(rng, 'Switch%d' % k, f)).name)
    sources = pegs + switches
    rng.shuffle(sources)
    port = 0
    for src in sources:
        if rng.random() < 0.15:
            port += 1
        s.link(src, multi.name, port)
        port += 1
    if rng.random() < 0.1 and pegs:
        s.node(rng.choice(pegs)).selected = True

    projected = opts['FLATTENTYPE'] == 'PROJECT' or len(pegs) > 3
    if (projected and (kind != 'general' or rng.random() < 0.85)) or rng.random() < 0.3:
        cam = s.add(sc.random_camera(rng))
        s.camera = cam.name
    return s, [multi.name]


# ---- checks of the reference on its own ----

def _close(a, b, tol=1e-12):
    return vmath.max_rel_diff(a, b) <= tol


def _pt(m, p):
    return point(m, p)


def _near(p, q, tol=1e-12):
    return length(sub(p, q)) <= tol * max(1.0, length(q))


def _self_test():
    rng = random.Random(7)

    # the solver: the minimum-norm solution of an underdetermined system, and a tall regular
    # system against its normal equations solved by elimination
    x, _, _ = min_norm_lstsq([[1.0, 1.0, 0.0]], [2.0], 1e-12)
    assert _near(tuple(x), (1.0, 1.0, 0.0))
    A = [[rng.uniform(-1, 1) for _ in range(5)] for _ in range(9)]
    b = [rng.uniform(-1, 1) for _ in range(9)]
    x, _, _ = min_norm_lstsq(A, b, 1e-12)
    AtA = [[sum(A[r][i] * A[r][j] for r in range(9)) for j in range(5)] for i in range(5)]
    Atb = [sum(A[r][i] * b[r] for r in range(9)) for i in range(5)]
    assert max(abs(u - v) for u, v in zip(x, solve_linear(AtA, Atb))) < 1e-12
    # a column that no equation constrains comes out 0
    x, _, _ = min_norm_lstsq([[1.0, 0.0, 2.0], [0.0, 0.0, 1.0], [1.0, 0.0, 0.0]], [1.0, 2.0, 3.0], 1e-12)
    assert x[1] == 0.0

    # the hull: a square and its centre leave the four corners, counter-clockwise from the
    # smallest x; points on one line leave their two ends
    def pts(coords):
        return [{'rest': (float(x), float(y), 0.0), 'id': k} for k, (x, y) in enumerate(coords)]
    h = convex_hull(pts([(0, 0), (2, 0), (2, 2), (0, 2), (1, 1)]))
    assert [p['id'] for p in h] == [0, 1, 2, 3]
    h = convex_hull(pts([(3, 1), (1, 1), (2, 1), (5, 1)]))
    assert [p['id'] for p in h] == [1, 3]
    h = convex_hull(pts([(0, 0), (1, 0), (2, 0), (1, 3)]))
    assert [p['id'] for p in h] == [0, 2, 3]

    # two points that moved apart along their line stretch along it only
    m = fit_two((1.0, 1.0, 0.0), (2.0, 1.0, 0.0), (1.0, 1.0, 0.0), (4.0, 1.0, 0.0))
    assert _close(m, mul_all(T(1, 1, 0), S(3, 1, 1), T(-1, -1, 0)))
    # turned by a quarter and doubled: the rest points land, the cross direction keeps its length
    m = fit_two((0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (5.0, 5.0, 0.0), (5.0, 7.0, 0.0))
    assert _near(_pt(m, (1.0, 0.0, 0.0)), (5.0, 7.0, 0.0))
    assert _near(vmath.vector(m, (0.0, 1.0, 0.0)), (-1.0, 0.0, 0.0))
    # equal offsets, or an empty one, keep the incoming matrix
    assert fit_two((0.0, 0.0, 0.0), (1.0, 2.0, 0.0), (3.0, 3.0, 0.0), (4.0, 5.0, 0.0)) is None
    assert fit_two((0.0, 0.0, 0.0), (1.0, 2.0, 0.0), (3.0, 3.0, 0.0), (3.0, 3.0, 0.0)) is None

    # three points: each rest point lands on its current one
    for _ in range(20):
        Rs = [(rng.uniform(-3, 3), rng.uniform(-3, 3), 0.0) for _ in range(3)]
        Qs = [(rng.uniform(-3, 3), rng.uniform(-3, 3), rng.uniform(-1, 1)) for _ in range(3)]
        m = fit_three(Rs, Qs)
        for r, q in zip(Rs, Qs):
            assert _near(_pt(m, r), q, 1e-9)

    # four or more points without perspective: the affine map they were made with comes back;
    # noisy points give the least-squares affine map of the normal equations
    for _ in range(10):
        aff = [rng.uniform(-2, 2) for _ in range(6)]

        def apply(p, aff=aff):
            return (aff[0] * p[0] + aff[1] * p[1] + aff[2], aff[3] * p[0] + aff[4] * p[1] + aff[5], 0.0)
        Rs = [(rng.uniform(-3, 3), rng.uniform(-3, 3), 0.0) for _ in range(rng.randint(4, 7))]
        m = fit_points(Rs, [apply(r) for r in Rs], False)
        assert _close(m, [aff[0], aff[3], 0, 0, aff[1], aff[4], 0, 0, 0, 0, 1, 0, aff[2], aff[5], 0, 1], 1e-12)
        Qs = [add(apply(r), (rng.uniform(-0.1, 0.1), rng.uniform(-0.1, 0.1), 0.0)) for r in Rs]
        m = fit_points(Rs, Qs, False)
        N = [[sum(p[i] * p[j] for p in [(r[0], r[1], 1.0) for r in Rs]) for j in range(3)] for i in range(3)]
        gx = solve_linear(N, [sum((r[0], r[1], 1.0)[i] * q[0] for r, q in zip(Rs, Qs)) for i in range(3)])
        gy = solve_linear(N, [sum((r[0], r[1], 1.0)[i] * q[1] for r, q in zip(Rs, Qs)) for i in range(3)])
        assert _close(m, [gx[0], gy[0], 0, 0, gx[1], gy[1], 0, 0, 0, 0, 1, 0, gx[2], gy[2], 0, 1], 1e-12)

    # four coplanar points with perspective: the fit is the homography of the four pairs
    for _ in range(10):
        Rs = [(x + rng.uniform(-0.5, 0.5), y + rng.uniform(-0.5, 0.5), 0.0) for x, y in
              ((-2, -2), (2, -2), (2, 2), (-2, 2))]
        Qs = [(r[0] * (1 + rng.uniform(-0.2, 0.2)), r[1] * (1 + rng.uniform(-0.2, 0.2)), 0.0) for r in Rs]
        m = fit_points(Rs, Qs, True)
        assert _close(m, homography([r[:2] for r in Rs], [q[:2] for q in Qs]), 1e-10)
        for r, q in zip(Rs, Qs):
            assert _near(_pt(m, r), q, 1e-10)

    # a divisor at or below 0.2 refits with the divisors pinned to at least 0.2: the exact
    # homography gives the far corner w = 1/7; the extra equations pull it up towards 0.2, and the
    # refits stop at level 2 once they improve by 0.01 or less
    Rs = [(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (1.0, 1.0, 0.0), (0.0, 1.0, 0.0)]
    Qs = [(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (4.0, 4.0, 0.0), (0.0, 1.0, 0.0)]
    log = []
    m = fit_points(Rs, Qs, True, log=log)
    assert [entry['level'] for entry in log] == [0, 1, 2]
    assert 1 / 7 < m[3] + m[7] + 1 < 0.2

    # rest points on one line: rank-deficient, finite, and the unconstrained terms are 0
    Rs = [(float(x), 1.0, 0.0) for x in (-2, 0, 1, 3)]
    Qs = [(rng.uniform(-3, 3), rng.uniform(-3, 3), 0.0) for _ in Rs]
    for persp in (False, True):
        m = fit_points(Rs, Qs, persp)
        assert all(math.isfinite(v) for v in m)

    # the node: one input copies its matrix whatever the activity and the hull
    M = mul(T(1, 2, 3), vmath.R(30))
    p1 = {'matrix': M, 'rest': (0.5, 0.25, 0.0), 'pos': _pt(M, (0.5, 0.25, 0.0))}
    for a in (0.3, 1.0):
        assert compute([p1], a, ALLOW, True, False, None, identity()) == M
    # activity 0 and no points keep the incoming matrix
    inc = T(9, 9, 9)
    assert compute([p1], 0.0, ALLOW, False, False, None, inc) is inc
    assert compute([], 1.0, ALLOW, False, False, None, inc) is inc
    # three points in the first input's frame at full activity: each rest pivot lands on its
    # current position; at half activity halfway between its rest and its current position in
    # that frame
    F = mul_all(T(0.3, -0.2, 0.1), vmath.R(25), S(1.5, 0.8, 1))
    mats = [F, mul(F, T(0.4, 0.1, 0)), mul_all(F, vmath.R(-20), S(1.2, 1, 1))]
    rests = [(0.1, 0.2, 0.0), (0.9, -0.3, 0.0), (-0.4, 0.7, 0.0)]
    pts3 = [{'matrix': m_, 'rest': r, 'pos': _pt(m_, r)} for m_, r in zip(mats, rests)]
    full = compute(pts3, 1.0, ALLOW, False, False, None, identity())
    for p in pts3:
        assert _near(_pt(full, p['rest']), p['pos'], 1e-12)
    half = compute(pts3, 0.5, ALLOW, False, False, None, identity())
    G = inverse(F)
    for p in pts3:
        local = _pt(G, p['pos'])
        assert _near(_pt(half, p['rest']), _pt(F, scale(add(p['rest'], local), 0.5)), 1e-12)
    # projected through a camera onto the first input's plane: with three points, each lands
    # where the camera sees its current position, on that plane
    cam = mul(T(0.2, 0.1, 6.0), vmath.R(5, (1, 0, 0)))
    tilted = [mul(mats[0], vmath.R(10, (0, 1, 0))), mul(mats[1], T(0, 0, 0.3)), mats[2]]
    pts3 = [{'matrix': m_, 'rest': r, 'pos': _pt(m_, r)} for m_, r in zip(tilted, rests)]
    proj = compute(pts3, 1.0, PROJECT, False, False, cam, identity())
    eye = _pt(cam, (0.0, 0.0, 0.0))
    for p in pts3[1:]:
        landed = _pt(proj, p['rest'])
        # on the first input's plane, and on the line from the eye through the current position
        assert abs(_pt(inverse(tilted[0]), landed)[2]) < 1e-12
        assert length(cross(sub(landed, eye), sub(p['pos'], eye))) < 1e-12 * length(sub(landed, eye)) ** 2
    print('ref_multi: self-test passed')


if __name__ == '__main__':
    _self_test()
