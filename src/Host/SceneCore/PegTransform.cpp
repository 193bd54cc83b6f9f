#include "SceneCore/PegTransform.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// A matrix under construction (column-major, as Math::Matrix4x4 stores it) with the flag
// Math::Matrix4x4 keeps: exactly the identity.
struct Building {
  double v[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  bool identity = true;
};

// Bit b of a shape is set where factor b's value at b (column-major) can be other than zero.
constexpr unsigned shapeOf(std::initializer_list<int> entries) {
  unsigned shape = 0;
  for (int e : entries)
    shape |= 1u << e;
  return shape;
}
constexpr unsigned kTranslation = shapeOf({0, 5, 10, 12, 13, 14, 15});
constexpr unsigned kAboutX = shapeOf({0, 5, 6, 9, 10, 15});
constexpr unsigned kAboutY = shapeOf({0, 2, 5, 8, 10, 15});
constexpr unsigned kAboutZ = shapeOf({0, 1, 4, 5, 10, 15});
constexpr unsigned kSkewing = shapeOf({0, 4, 5, 10, 15});
constexpr unsigned kScaling = shapeOf({0, 5, 10, 15});
constexpr unsigned kAny = 0xffffu;

// Whether v is exactly the identity, asking only the values its shape leaves free (the others
// are ±0 already), the translation first: where a matrix differs from the identity it mostly
// differs there.
constexpr int kIdentityOrder[16] = {12, 13, 14, 0, 5, 10, 1, 2, 4, 6, 8, 9, 3, 7, 11, 15};
// One test after another, each returning at once: where the first differs, nothing else is read.
template <unsigned Shape = kAny, int N = 0> bool isIdentity(const double* v) {
  if constexpr (N == 16) {
    return true;
  } else {
    constexpr int i = kIdentityOrder[N];
    if constexpr (Shape >> i & 1u) {
      if (v[i] != (i % 5 == 0 ? 1.0 : 0.0))
        return false;
    }
    return isIdentity<Shape, N + 1>(v);
  }
}

// The shape of a product: where some term pairs a value a's shape leaves free with one b's does.
constexpr unsigned productShape(unsigned a, unsigned b) {
  unsigned r = 0;
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 4; ++k)
        if ((a >> (k * 4 + row) & 1u) && (b >> (col * 4 + k) & 1u))
          r |= 1u << (col * 4 + row);
  return r;
}
constexpr unsigned kIdentity = shapeOf({0, 5, 10, 15});

// m <- m · b as Math::Matrix4x4's product forms it (an identity m gives b as it is, then an
// identity b leaves m as it is; every other value is 0 + a0 b0 + a1 b1 + a2 b2 + a3 b3 added left to
// right), leaving out the terms with a factor that is zero by its matrix's shape (m's shape being
// what the factors before gave). Such a term of finite numbers is ±0, and adding it changes no
// sum (a sum that starts at +0 never becomes -0), so the result is bit for bit the full
// product's while m holds finite values; the shapes being known when this is compiled, each
// value is a fixed short sum.
template <unsigned ShapeA, unsigned ShapeB, int Row, int Col, int K>
constexpr bool kUsed = (ShapeB >> (Col * 4 + K) & 1u) && (ShapeA >> (K * 4 + Row) & 1u);

template <unsigned ShapeA, unsigned ShapeB, int At> double entry(const double* a, const double* b) {
  constexpr int col = At / 4, row = At % 4;
  double sum = 0.0;
  if constexpr (kUsed<ShapeA, ShapeB, row, col, 0>)
    sum += a[row] * b[col * 4];
  if constexpr (kUsed<ShapeA, ShapeB, row, col, 1>)
    sum += a[4 + row] * b[col * 4 + 1];
  if constexpr (kUsed<ShapeA, ShapeB, row, col, 2>)
    sum += a[8 + row] * b[col * 4 + 2];
  if constexpr (kUsed<ShapeA, ShapeB, row, col, 3>)
    sum += a[12 + row] * b[col * 4 + 3];
  return sum;
}

template <unsigned ShapeA, unsigned ShapeB, int... At>
void product(const double* a, const double* b, double* r, std::integer_sequence<int, At...>) {
  ((r[At] = entry<ShapeA, ShapeB, At>(a, b)), ...);
}

// The shape m has after multiply<ShapeM, ShapeB>.
template <unsigned ShapeM, unsigned ShapeB> constexpr unsigned kAfter = productShape(ShapeM, ShapeB);

// The sixteen values copied one by one, each at an index known when this is compiled: the
// compiler then keeps the matrix being built in registers from one factor to the next, where a
// copy of the block (std::copy) had it stored and read back at every factor, three times slower.
template <int... At> void copyValues(const double* from, double* to, std::integer_sequence<int, At...>) {
  ((to[At] = from[At]), ...);
}
void copyValues(const double* from, double* to) { copyValues(from, to, std::make_integer_sequence<int, 16>()); }

template <unsigned ShapeM, unsigned ShapeB> void multiply(Building& m, const double* b) {
  if (m.identity) {
    copyValues(b, m.v);
    m.identity = isIdentity<ShapeB>(b);
    return;
  }
  if (isIdentity<ShapeB>(b))
    return;
  double r[16];
  product<ShapeM, ShapeB>(m.v, b, r, std::make_integer_sequence<int, 16>());
  copyValues(r, m.v);
  m.identity = isIdentity<kAfter<ShapeM, ShapeB>>(m.v);
}

template <unsigned ShapeM> void translate(Building& m, double x, double y, double z) {
  const double b[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
  multiply<ShapeM, kTranslation>(m, b);
}

constexpr unsigned kAxisShapes[] = {kAboutX, kAboutY, kAboutZ};

// Math::Matrix4x4::rotateRadians about a unit coordinate axis (x, y or z), spelt the same way.
template <unsigned ShapeM, int Axis> void rotate(Building& m, const PegTransform::Turn& turn) {
  constexpr double kx = Axis == 0, ky = Axis == 1, kz = Axis == 2;
  const double c = turn.c, s = turn.s, t = 1.0 - c;
  const double xx = kx * kx, yy = ky * ky, zz = kz * kz;
  const double b[16] = {xx + (1.0 - xx) * c,
                        t * kx * ky + s * kz,
                        t * kx * kz - s * ky,
                        0.0,
                        t * kx * ky - s * kz,
                        yy + (1.0 - yy) * c,
                        t * ky * kz + s * kx,
                        0.0,
                        t * kx * kz + s * ky,
                        t * ky * kz - s * kx,
                        zz + (1.0 - zz) * c,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        1.0};
  multiply<ShapeM, kAxisShapes[Axis]>(m, b);
}

// The shapes m passes through as the peg's factors are applied in turn.
constexpr unsigned kAtPosition = kAfter<kIdentity, kTranslation>;
constexpr unsigned kAtPivot = kAfter<kAtPosition, kTranslation>;
constexpr unsigned kAtZ = kAfter<kAtPivot, kAboutZ>;
constexpr unsigned kAtY = kAfter<kAtZ, kAboutY>;
constexpr unsigned kAtX = kAfter<kAtY, kAboutX>;
constexpr unsigned kAtSkew = kAfter<kAtX, kSkewing>;
constexpr unsigned kAtScale = kAfter<kAtSkew, kScaling>;

// Beyond this the products could overflow, where a left-out zero term would have made a NaN.
bool moderate(double v) { return std::fabs(v) <= 1e30; }

} // namespace

PegTransform::Turn PegTransform::Turn::of(double degrees) {
  // No turn at all, its sign kept as the sine keeps it.
  if (degrees == 0.0)
    return {1.0, degrees};
  const double angle = degrees * kDegToRad;
  return {std::cos(angle), std::sin(angle)};
}

Math::Matrix4x4 PegTransform::matrix(const Turns* known) const {
  const double parts[] = {position.x, position.y, position.z, pivot.x, pivot.y, pivot.z, angles.x,
                          angles.y,   angles.z,   skew,       scale.x, scale.y, scale.z};
  if (!std::all_of(std::begin(parts), std::end(parts), moderate))
    return matrixByProducts();
  Building m;
  translate<kIdentity>(m, position.x, position.y, position.z);
  translate<kAtPosition>(m, pivot.x, pivot.y, pivot.z);
  const auto turn = [known](int which, double degrees) {
    return known && (known->known >> which & 1u) ? known->turn[which] : Turn::of(degrees);
  };
  rotate<kAtPivot, 2>(m, turn(2, angles.z));
  rotate<kAtZ, 1>(m, turn(1, angles.y));
  rotate<kAtY, 0>(m, turn(0, angles.x));
  const Turn k = turn(3, skew);
  const double skewing[16] = {1, 0, 0, 0, k.s, k.c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  multiply<kAtX, kSkewing>(m, skewing);
  const double scaling[16] = {scale.x, 0, 0, 0, 0, scale.y, 0, 0, 0, 0, scale.z, 0, 0, 0, 0, 1};
  multiply<kAtSkew, kScaling>(m, scaling);
  translate<kAtScale>(m, -pivot.x, -pivot.y, -pivot.z);
  return Math::Matrix4x4(m.v);
}

Math::Matrix4x4 PegTransform::matrixByProducts() const {
  Math::Matrix4x4 m;
  m.translate(Math::Vector3d(position.x, position.y, position.z));
  m.translate(Math::Vector3d(pivot.x, pivot.y, pivot.z));
  m.rotateDegrees(angles.z, Math::Vector3d(0, 0, 1));
  m.rotateDegrees(angles.y, Math::Vector3d(0, 1, 0));
  m.rotateDegrees(angles.x, Math::Vector3d(1, 0, 0));
  m.skew(skew);
  m.scale(scale.x, scale.y, scale.z);
  m.translate(Math::Vector3d(-pivot.x, -pivot.y, -pivot.z));
  return m;
}

namespace {

constexpr double kRadToDeg = 57.29577951308232;

// The angle plus the whole number of turns that brings it nearest `target`.
double nearestTurn(double angle, double target) { return angle + 360.0 * std::round((target - angle) / 360.0); }

// Angles about x, y, z (degrees) of the rotation with columns r0, r1, r2 = Rz · Ry · Rx. When the
// y angle is a quarter turn only the difference (or sum) of x and z is defined; x is then kept
// at `xHint`.
Math::Vector3d eulerAngles(const Math::Vector3d& r0, const Math::Vector3d& r1, const Math::Vector3d& r2, double xHint) {
  const double sy = std::clamp(-r0.z, -1.0, 1.0);
  const double y = std::asin(sy);
  if (std::fabs(sy) < 1.0 - 1e-12)
    return {std::atan2(r1.z, r2.z) * kRadToDeg, y * kRadToDeg, std::atan2(r0.y, r0.x) * kRadToDeg};
  const double x = xHint / kRadToDeg;
  const double z = sy > 0 ? x - std::atan2(r1.x, r1.y) : std::atan2(-r1.x, r1.y) - x;
  return {xHint, y * kRadToDeg, z * kRadToDeg};
}

} // namespace

PegTransform PegTransform::fromMatrix(const Math::Matrix4x4& m, const PegTransform* near) {
  double v[16];
  m.getValues(v);
  const Math::Vector3d c0(v[0], v[1], v[2]), c1(v[4], v[5], v[6]), c2(v[8], v[9], v[10]);
  PegTransform t;
  t.position = Math::Point3d(v[12], v[13], v[14]);

  double sx = c0.length();
  Math::Vector3d r0 = sx > 0.0 ? c0 / sx : Math::Vector3d(1, 0, 0);
  if (c0.getDotProduct(c1.getCrossProduct(c2)) < 0.0) {
    sx = -sx;
    r0 = -r0;
  }
  Math::Vector3d r1 = c1 - r0 * c1.getDotProduct(r0);
  if (r1.length() == 0.0)
    r1 = std::fabs(r0.z) < 0.9 ? Math::Vector3d(0, 0, 1).getCrossProduct(r0) : Math::Vector3d(0, 1, 0);
  r1.normalize();
  const Math::Vector3d r2 = r0.getCrossProduct(r1);

  const double lean = c1.getDotProduct(r0), upright = c1.getDotProduct(r1);
  t.scale = Math::Vector3d(sx, std::hypot(lean, upright), c2.getDotProduct(r2));
  t.skew = std::atan2(lean, upright) * kRadToDeg;

  const Math::Vector3d a = eulerAngles(r0, r1, r2, near ? near->angles.x : 0.0);
  if (!near) {
    t.angles = a;
    return t;
  }
  // The same rotation turned the other way round the y axis: (x + 180, 180 − y, z + 180).
  const Math::Vector3d b(a.x + 180.0, 180.0 - a.y, a.z + 180.0);
  auto closest = [&](const Math::Vector3d& e) {
    return Math::Vector3d(nearestTurn(e.x, near->angles.x), nearestTurn(e.y, near->angles.y),
                          nearestTurn(e.z, near->angles.z));
  };
  auto distance = [&](const Math::Vector3d& e) {
    return std::fabs(e.x - near->angles.x) + std::fabs(e.y - near->angles.y) + std::fabs(e.z - near->angles.z);
  };
  const Math::Vector3d ea = closest(a), eb = closest(b);
  t.angles = distance(eb) < distance(ea) ? eb : ea;
  return t;
}
