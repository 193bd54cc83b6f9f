#include "BaseCore/Matrix4x4.h"

#include "BaseCore/MatrixException.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <ostream>
#include <sstream>

namespace Math {

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;

} // namespace

// Constant-initialised (constexpr constructor), so plug-ins may use it from their own static
// initialisers without depending on load order.
const Matrix4x4 Matrix4x4::Identity;

Matrix4x4::Matrix4x4(double v0, double v1, double v2, double v3, double v4, double v5, double v6, double v7, double v8,
                     double v9, double v10, double v11, double v12, double v13, double v14, double v15)
    : m_values{v0, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13, v14, v15}, m_identity(false) {
  updateIdentityFlag();
}

Matrix4x4::Matrix4x4(const float* values16) : m_values{}, m_identity(false) {
  for (int i = 0; i < 16; ++i)
    m_values[i] = static_cast<double>(values16[i]);
  updateIdentityFlag();
}

Matrix4x4::Matrix4x4(const Vector3d& xAxis, const Vector3d& yAxis, const Vector3d& zAxis, const Point3d& origin)
    : m_values{xAxis.x, xAxis.y, xAxis.z, 0.0, yAxis.x,  yAxis.y,  yAxis.z,  0.0,
               zAxis.x, zAxis.y, zAxis.z, 0.0, origin.x, origin.y, origin.z, 1.0},
      m_identity(false) {
  updateIdentityFlag();
}

void Matrix4x4::getValues(float out[16]) const {
  for (int i = 0; i < 16; ++i)
    out[i] = static_cast<float>(m_values[i]);
}

void Matrix4x4::setValue(int i, double v) {
  m_values[i] = v;
  updateIdentityFlag();
}

Matrix4x4 Matrix4x4::operator*(const Matrix4x4& rhs) const {
  Matrix4x4 r;
  multiply(*this, rhs, r);
  return r;
}

void Matrix4x4::multiply(const Matrix4x4& lhs, const Matrix4x4& rhs, Matrix4x4& r) {
  if (lhs.m_identity) {
    r = rhs;
    return;
  }
  if (rhs.m_identity) {
    r = lhs;
    return;
  }
  // Column c of the product reads column c of rhs and the whole of lhs, which is read first: r
  // may be either factor.
#if defined(__SSE2__)
  // The same sums in the same order, two rows at a time: each value is 0 + a0 b0 + a1 b1 + a2 b2
  // + a3 b3 added left to right, so results are bit for bit those of the plain loop below.
  const double* a = lhs.m_values;
  const __m128d top[4] = {_mm_loadu_pd(a), _mm_loadu_pd(a + 4), _mm_loadu_pd(a + 8), _mm_loadu_pd(a + 12)};
  const __m128d bottom[4] = {_mm_loadu_pd(a + 2), _mm_loadu_pd(a + 6), _mm_loadu_pd(a + 10), _mm_loadu_pd(a + 14)};
  // Unrolled in full, so that the factors stay in registers.
#pragma GCC unroll 4
  for (int col = 0; col < 4; ++col) {
    __m128d sumTop = _mm_setzero_pd();
    __m128d sumBottom = _mm_setzero_pd();
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      const __m128d b = _mm_set1_pd(rhs.m_values[col * 4 + k]);
      sumTop = _mm_add_pd(sumTop, _mm_mul_pd(top[k], b));
      sumBottom = _mm_add_pd(sumBottom, _mm_mul_pd(bottom[k], b));
    }
    _mm_storeu_pd(r.m_values + col * 4, sumTop);
    _mm_storeu_pd(r.m_values + col * 4 + 2, sumBottom);
  }
#else
  double a[16];
  lhs.getValues(a);
  for (int col = 0; col < 4; ++col) {
    double b[4];
    for (int k = 0; k < 4; ++k)
      b[k] = rhs.m_values[col * 4 + k];
    for (int row = 0; row < 4; ++row) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k)
        sum += a[k * 4 + row] * b[k];
      r.m_values[col * 4 + row] = sum;
    }
  }
#endif
  r.updateIdentityFlag();
}

Matrix4x4& Matrix4x4::operator*=(const Matrix4x4& rhs) {
  multiply(*this, rhs, *this);
  return *this;
}

Matrix4x4& Matrix4x4::translate(const Vector3d& v) { return translate(v.x, v.y, v.z); }

Matrix4x4& Matrix4x4::translate(double x, double y, double z) {
  return *this *= Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
}

Matrix4x4& Matrix4x4::scale(double x, double y, double z) {
  return *this *= Matrix4x4(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
}

Matrix4x4& Matrix4x4::rotateDegrees(double angle, const Vector3d& axis) {
  return rotateRadians(angle * kDegToRad, axis);
}

Matrix4x4& Matrix4x4::rotateRadians(double angle, const Vector3d& axis) {
  const double len = axis.length();
  if (len == 0.0)
    return *this;
  const Vector3d k = axis / len;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double t = 1.0 - c;
  // Rodrigues' formula, c I + s [k]x + (1 - c) k k^T, written column by column. The diagonal
  // is spelt k^2 + (1 - k^2) c so that rotations about a coordinate axis keep that axis's
  // diagonal value exactly 1 and the others exactly cos(angle).
  const double xx = k.x * k.x, yy = k.y * k.y, zz = k.z * k.z;
  return *this *=
         Matrix4x4(xx + (1.0 - xx) * c, t * k.x * k.y + s * k.z, t * k.x * k.z - s * k.y, 0.0, t * k.x * k.y - s * k.z,
                   yy + (1.0 - yy) * c, t * k.y * k.z + s * k.x, 0.0, t * k.x * k.z + s * k.y, t * k.y * k.z - s * k.x,
                   zz + (1.0 - zz) * c, 0.0, 0.0, 0.0, 0.0, 1.0);
}

Matrix4x4& Matrix4x4::skew(double angleDegrees) {
  const double a = angleDegrees * kDegToRad;
  return *this *= Matrix4x4(1, 0, 0, 0, std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

namespace {

// The 2x2 minors of the top two and bottom two rows, shared by the determinant and the
// adjugate (Laplace expansion along the row pairs).
struct Minors {
  double s[6];
  double c[6];
  double det;
};

Minors minors(const Matrix4x4& m) {
  Minors r; // every value set below
  r.s[0] = m(0, 0) * m(1, 1) - m(1, 0) * m(0, 1);
  r.s[1] = m(0, 0) * m(1, 2) - m(1, 0) * m(0, 2);
  r.s[2] = m(0, 0) * m(1, 3) - m(1, 0) * m(0, 3);
  r.s[3] = m(0, 1) * m(1, 2) - m(1, 1) * m(0, 2);
  r.s[4] = m(0, 1) * m(1, 3) - m(1, 1) * m(0, 3);
  r.s[5] = m(0, 2) * m(1, 3) - m(1, 2) * m(0, 3);
  r.c[5] = m(2, 2) * m(3, 3) - m(3, 2) * m(2, 3);
  r.c[4] = m(2, 1) * m(3, 3) - m(3, 1) * m(2, 3);
  r.c[3] = m(2, 1) * m(3, 2) - m(3, 1) * m(2, 2);
  r.c[2] = m(2, 0) * m(3, 3) - m(3, 0) * m(2, 3);
  r.c[1] = m(2, 0) * m(3, 2) - m(3, 0) * m(2, 2);
  r.c[0] = m(2, 0) * m(3, 1) - m(3, 0) * m(2, 1);
  r.det = r.s[0] * r.c[5] - r.s[1] * r.c[4] + r.s[2] * r.c[3] + r.s[3] * r.c[2] - r.s[4] * r.c[1] + r.s[5] * r.c[0];
  return r;
}

} // namespace

double Matrix4x4::determinant() const {
  if (m_identity)
    return 1.0;
  return minors(*this).det;
}

namespace {

// The adjugate over the determinant, column order, from the minors already taken.
void inverseValues(const Matrix4x4& a, const Minors& n, double b[16]) {
  const double* s = n.s;
  const double* c = n.c;
  const double inv = 1.0 / n.det;
  b[0] = (a(1, 1) * c[5] - a(1, 2) * c[4] + a(1, 3) * c[3]) * inv;
  b[4] = (-a(0, 1) * c[5] + a(0, 2) * c[4] - a(0, 3) * c[3]) * inv;
  b[8] = (a(3, 1) * s[5] - a(3, 2) * s[4] + a(3, 3) * s[3]) * inv;
  b[12] = (-a(2, 1) * s[5] + a(2, 2) * s[4] - a(2, 3) * s[3]) * inv;
  b[1] = (-a(1, 0) * c[5] + a(1, 2) * c[2] - a(1, 3) * c[1]) * inv;
  b[5] = (a(0, 0) * c[5] - a(0, 2) * c[2] + a(0, 3) * c[1]) * inv;
  b[9] = (-a(3, 0) * s[5] + a(3, 2) * s[2] - a(3, 3) * s[1]) * inv;
  b[13] = (a(2, 0) * s[5] - a(2, 2) * s[2] + a(2, 3) * s[1]) * inv;
  b[2] = (a(1, 0) * c[4] - a(1, 1) * c[2] + a(1, 3) * c[0]) * inv;
  b[6] = (-a(0, 0) * c[4] + a(0, 1) * c[2] - a(0, 3) * c[0]) * inv;
  b[10] = (a(3, 0) * s[4] - a(3, 1) * s[2] + a(3, 3) * s[0]) * inv;
  b[14] = (-a(2, 0) * s[4] + a(2, 1) * s[2] - a(2, 3) * s[0]) * inv;
  b[3] = (-a(1, 0) * c[3] + a(1, 1) * c[1] - a(1, 2) * c[0]) * inv;
  b[7] = (a(0, 0) * c[3] - a(0, 1) * c[1] + a(0, 2) * c[0]) * inv;
  b[11] = (-a(3, 0) * s[3] + a(3, 1) * s[1] - a(3, 2) * s[0]) * inv;
  b[15] = (a(2, 0) * s[3] - a(2, 1) * s[1] + a(2, 2) * s[0]) * inv;
}

} // namespace

void Matrix4x4::inverse() {
  if (m_identity)
    return;

  const Minors n = minors(*this);
  if (n.det == 0.0 || !std::isfinite(n.det)) {
    std::ostringstream msg;
    msg << "Matrix4x4::inverse: matrix is not invertible (determinant " << n.det << ")";
    throw MatrixException(msg.str());
  }
  double b[16];
  inverseValues(*this, n, b);
  *this = Matrix4x4(b);
}

// As inverse() on a copy, the identity where that throws, without the copy or the throw.
Matrix4x4 Matrix4x4::getInverse() const {
  if (m_identity)
    return *this;
  const Minors n = minors(*this);
  if (n.det == 0.0 || !std::isfinite(n.det))
    return Identity;
  double b[16];
  inverseValues(*this, n, b);
  return Matrix4x4(b);
}

Matrix4x4 Matrix4x4::getTranspose() const {
  Matrix4x4 r;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col)
      r.m_values[row * 4 + col] = (*this)(row, col);
  r.m_identity = m_identity;
  return r;
}

Matrix4x4 Matrix4x4::rotation() const {
  const Vector3d x = xAxis().getNormalized();
  Vector3d y = yAxis();
  y -= x * y.getDotProduct(x);
  y.normalize();
  const Vector3d z = x.getCrossProduct(y);
  return Matrix4x4(x, y, z, Point3d());
}

bool Matrix4x4::operator==(const Matrix4x4& rhs) const {
  for (int i = 0; i < 16; ++i)
    if (m_values[i] != rhs.m_values[i])
      return false;
  return true;
}

bool Matrix4x4::isApprox(const Matrix4x4& rhs, double tol) const {
  for (int i = 0; i < 16; ++i)
    if (!(std::fabs(m_values[i] - rhs.m_values[i]) <= tol))
      return false;
  return true;
}

void Matrix4x4::extractParameters(bool, bool, double, double, double& tx, double& ty, double& tz, double& sx,
                                  double& sy, double& angle, double& skew) const {
  tx = m_values[12];
  ty = m_values[13];
  tz = m_values[14];

  const double a = m_values[0];
  const double b = m_values[1];
  const double c = m_values[4];
  const double d = m_values[5];

  sx = std::hypot(a, b);
  const double theta = sx == 0.0 ? 0.0 : std::atan2(b, a);
  angle = theta * kRadToDeg;

  // The y axis seen from the rotated frame: what remains once the rotation is undone.
  const double cs = std::cos(theta);
  const double sn = std::sin(theta);
  const double u1 = c * cs + d * sn;
  const double u2 = -c * sn + d * cs;

  sy = std::hypot(u1, u2);
  // A y axis pointing below the rotated x axis is a mirror; carrying it in sy keeps the
  // skew within (-90, 90) degrees.
  if (u2 < 0.0)
    sy = -sy;
  skew = sy == 0.0 ? 0.0 : std::atan2(u1 / sy, u2 / sy) * kRadToDeg;
}

std::ostream& operator<<(std::ostream& os, const Matrix4x4& m) {
  os << "Matrix4x4(";
  for (int row = 0; row < 4; ++row) {
    os << (row == 0 ? "[" : " [");
    for (int col = 0; col < 4; ++col)
      os << (col == 0 ? "" : ", ") << m(row, col);
    os << "]";
  }
  return os << ")";
}

} // namespace Math
