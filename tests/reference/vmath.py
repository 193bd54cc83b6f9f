"""The host's matrix conventions, written out independently in plain Python (doubles).

Matrices are lists of 16 floats in column order: values 0-3 are the first column, 12, 13, 14
the translation. `mul(a, b)` is the ordinary product, so mul(a, b) applied to p is a(b(p)).
Composing helpers (translate, scale, rotate, skew) multiply on the right, like the host's
matrix operations, so a chain reads in the order it is written.
"""
import math
import struct

DEG = 0.017453292519943295
RAD = 57.29577951308232


def identity():
    return [1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0]


def at(m, row, col):
    return m[col * 4 + row]


def mul(a, b):
    out = [0.0] * 16
    for c in range(4):
        for r in range(4):
            out[c * 4 + r] = sum(a[k * 4 + r] * b[c * 4 + k] for k in range(4))
    return out


def mul_all(*ms):
    out = ms[0]
    for m in ms[1:]:
        out = mul(out, m)
    return out


def point(m, p):
    """m applied to the point p = (x, y, z): w = 1 on the way in, divided out when it is not 1."""
    x, y, z = p
    v = [m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r] for r in range(4)]
    if v[3] != 1.0 and v[3] != 0.0:
        return (v[0] / v[3], v[1] / v[3], v[2] / v[3])
    return (v[0], v[1], v[2])


def vector(m, v):
    """m applied to the vector v: the upper 3x3 only."""
    x, y, z = v
    return tuple(m[r] * x + m[4 + r] * y + m[8 + r] * z for r in range(3))


def T(x, y=None, z=None):
    if y is None:
        x, y, z = x
    m = identity()
    m[12], m[13], m[14] = float(x), float(y), float(z)
    return m


def S(x, y, z=1.0):
    m = identity()
    m[0], m[5], m[10] = float(x), float(y), float(z)
    return m


def R(angle_deg, axis=(0.0, 0.0, 1.0)):
    return R_rad(angle_deg * DEG, axis)


def R_rad(a, axis=(0.0, 0.0, 1.0)):
    """Right-handed rotation by a radians about axis (90 degrees about z carries x onto y)."""
    x, y, z = normalize(axis)
    c, s = math.cos(a), math.sin(a)
    t = 1.0 - c
    m = identity()
    # columns: images of the unit axes
    m[0], m[1], m[2] = t * x * x + c, t * x * y + s * z, t * x * z - s * y
    m[4], m[5], m[6] = t * x * y - s * z, t * y * y + c, t * y * z + s * x
    m[8], m[9], m[10] = t * x * z + s * y, t * y * z - s * x, t * z * z + c
    return m


def K(angle_deg):
    """Skew: leans the y axis towards x by the angle, keeping its length."""
    m = identity()
    a = angle_deg * DEG
    m[4], m[5] = math.sin(a), math.cos(a)
    return m


def from_axes(x, y, z, o=(0.0, 0.0, 0.0)):
    return [x[0], x[1], x[2], 0.0, y[0], y[1], y[2], 0.0, z[0], z[1], z[2], 0.0, o[0], o[1], o[2], 1.0]


def transpose(m):
    return [m[r * 4 + c] for c in range(4) for r in range(4)]


def det(m):
    return _det([[at(m, r, c) for c in range(4)] for r in range(4)])


def _det(a):
    n = len(a)
    if n == 1:
        return a[0][0]
    if n == 2:
        return a[0][0] * a[1][1] - a[0][1] * a[1][0]
    return sum(((-1) ** c) * a[0][c] * _det([row[:c] + row[c + 1:] for row in a[1:]]) for c in range(n))


class Singular(Exception):
    pass


def inverse(m):
    """The inverse; raises Singular when the determinant is 0 or not finite (the host throws)."""
    d = det(m)
    if d == 0.0 or not math.isfinite(d):
        raise Singular()
    a = [[at(m, r, c) for c in range(4)] for r in range(4)]
    out = [0.0] * 16
    for r in range(4):
        for c in range(4):
            minor = [row[:r] + row[r + 1:] for i, row in enumerate(a) if i != c]
            out[c * 4 + r] = ((-1) ** (r + c)) * _det(minor) / d
    return out


def get_inverse(m):
    """The inverse, or the identity for a matrix that has none (never raises)."""
    try:
        return inverse(m)
    except Singular:
        return identity()


def rotation(m):
    """The linear part orthonormalised (x normalised, y made orthogonal to it, z = x cross y)."""
    x = normalize((m[0], m[1], m[2]))
    y = (m[4], m[5], m[6])
    d = dot(x, y)
    y = normalize(sub(y, scale(x, d)))
    z = cross(x, y)
    return from_axes(x, y, z)


def extract_parameters(m):
    """(tx, ty, tz, sx, sy, angle, skew), angles in degrees, such that
    T(t) R(angle) K(skew) S(sx, sy, 1) rebuilds the matrix's 2-D part."""
    tx, ty, tz = m[12], m[13], m[14]
    a, b, c, d = m[0], m[1], m[4], m[5]
    sx = math.hypot(a, b)
    angle = math.atan2(b, a) if sx != 0.0 else 0.0
    ca, sa = math.cos(-angle), math.sin(-angle)
    u1 = c * ca - d * sa
    u2 = c * sa + d * ca
    sy = math.hypot(u1, u2)
    if u2 < 0:
        sy = -sy
    skew = math.atan2(u1 / sy, u2 / sy) if sy != 0.0 else 0.0
    return tx, ty, tz, sx, sy, angle * RAD, skew * RAD


# ---- vectors (tuples of three floats) ----

def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def length(a):
    return math.sqrt(dot(a, a))


def normalize(a):
    n = length(a)
    return a if n == 0.0 else (a[0] / n, a[1] / n, a[2] / n)


def f32(x):
    """x rounded to single precision."""
    return struct.unpack('f', struct.pack('f', x))[0]


# ---- comparing ----

def max_rel_diff(a, b):
    """Largest difference of two matrices relative to their scale (at least 1)."""
    s = max(1.0, max(abs(v) for v in a), max(abs(v) for v in b))
    return max(abs(x - y) for x, y in zip(a, b)) / s
