"""The constraint library's shared transformation functions and camera helpers, written out
independently in plain Python, for the reference computations of the nodes."""
import math

from vmath import (DEG, RAD, K, R, S, T, Singular, add, cross, dot, extract_parameters, f32, identity,
                   inverse, length, mul, mul_all, normalize, point, scale, sub)

ZERO_SCALE_MESSAGE = ("0-Scaled Matrix has been identified and caught - ensure that the matrix does not "
                      "have a 0-scale.")


def sanitize_scale(m):
    """A copy whose x and y scale (values 0 and 5) stay away from 0 and infinity."""
    out = list(m)
    for i in (0, 5):
        v = out[i]
        if abs(v) <= 0.0001:
            v = 0.0001 if v > 0 else -0.0001
        if v == math.inf:
            v = 2.0
        elif v == -math.inf:
            v = -2.0
        out[i] = v
    return out


def is_mirrored(m):
    """Handedness judged in single precision from the normalised axes."""
    v = [f32(x) for x in m]
    for c in range(3):
        x, y, z = v[4 * c], v[4 * c + 1], v[4 * c + 2]
        n = f32(math.sqrt(f32(f32(f32(x * x) + f32(y * y)) + f32(z * z))))
        v[4 * c], v[4 * c + 1], v[4 * c + 2] = f32(x / n), f32(y / n), f32(z / n)
    v[12] = v[13] = v[14] = 0.0
    X = normalize(tuple(v[0:3]))
    Y = normalize(tuple(v[4:7]))
    Z = normalize(tuple(v[8:11]))
    d = math.fmod(math.atan2(Y[1], Y[0]) - math.atan2(X[1], X[0]) + 4 * math.pi, 2 * math.pi) - math.pi
    return (d > 0 and Z[2] >= 0) or (d <= 0 and Z[2] < 0)


def signed_angle_difference(a, b):
    """The turn from a to b in degrees, in (-180, 180], counter-clockwise positive."""
    if a == b:
        return 0.0
    ar, br = a * DEG, b * DEG
    u = normalize((math.cos(ar), math.sin(ar), 0.0))
    v = normalize((math.cos(br), math.sin(br), 0.0))
    if u == v:
        return 0.0
    k = dot(v, u)
    if abs(k) > 1:
        return 0.0
    ang = math.acos(k) * RAD
    w = normalize(cross(v, u))
    return ang if w[2] < 0 else -ang


def blend_angle(a, b, t):
    return (a * DEG + signed_angle_difference(a, b) * t * DEG) * RAD


def blend_transforms(target, source, t, pivot=(0.0, 0.0, 0.0), offset=(0.0, 0.0, 0.0), translation=True,
                     rotation=True):
    """The source at t = 0 and the target at t = 1, through their 2-D decompositions."""
    src = list(source)
    flipped = is_mirrored(source) != is_mirrored(target)
    if flipped:
        src = mul(src, S(-1, 1, 1))
    stx, sty, stz, ssx, ssy, sang, sskew = extract_parameters(src)
    dtx, dty, dtz, dsx, dsy, dang, dskew = extract_parameters(target)
    if flipped:
        ssx = -ssx

    def lerp(a, b):
        return a + (b - a) * t

    out = T(scale(offset, 1 - t))
    if translation:
        out = mul(out, T(lerp(stx, dtx), lerp(sty, dty), lerp(stz, dtz)))
    out = mul(out, T(pivot))
    out = mul(out, R(blend_angle(sang, dang, t) if rotation else dang))
    out = mul(out, K(blend_angle(sskew, dskew, t)))
    sx, sy = lerp(ssx, dsx), lerp(ssy, dsy)
    out = mul(out, S(sx if sx != 0 else 0.0001, sy if sy != 0 else 0.0001, 1))
    out = mul(out, T(scale(pivot, -1)))
    return sanitize_scale(out)


# ---- the camera ----

def perspective(fov_deg, aspect_x, aspect_y, near, far):
    """The usual OpenGL frustum looking down -z, for the scene's design aspect ratio."""
    f = 1.0 / math.tan(fov_deg * DEG / 2.0)
    aspect = aspect_x / aspect_y if aspect_y != 0 else 1.0
    d = near - far
    return [f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + near) / d, -1, 0, 0, 2 * far * near / d, 0]


def project_to_drawing_plane(p, camera, model):
    """The point of the model's z = 0 plane that the camera sees where it sees p (scene space):
    where the line from the camera's eye through p meets that plane, in the model's own
    coordinates, z = 0. None when the line runs along the plane."""
    eye = point(camera, (0.0, 0.0, 0.0))
    try:
        inv = inverse(model)
    except Singular:
        return None
    e = point(inv, eye)
    q = point(inv, p)
    dz = q[2] - e[2]
    if dz == 0:
        return None
    s = -e[2] / dz
    return (e[0] + (q[0] - e[0]) * s, e[1] + (q[1] - e[1]) * s, 0.0)


def project_to_view(p, camera, projection):
    """A scene point in normalised device coordinates (after the perspective division)."""
    view = inverse(camera)
    clip = mul(projection, view)
    x, y, z = p
    v = [clip[r] * x + clip[4 + r] * y + clip[8 + r] * z + clip[12 + r] for r in range(4)]
    return (v[0] / v[3], v[1] / v[3], v[2] / v[3])
