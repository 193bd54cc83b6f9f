#pragma once
// A matrix's 16 values (column order, as Math::Matrix4x4 holds them) composed in place: each
// step multiplies on the right (or, for preTranslate, on the left) as the matching
// Math::Matrix4x4 operation does and adds the same products in the same order, but skips the
// terms the operand's zeros and ones make exact, and the identity test after every product.
// Only the finished matrix is built. Any matrix may be composed, the last row included.
#include "HostInterface/HostMath.h"

class MatrixValues {
public:
  MatrixValues() : m_v{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}
  explicit MatrixValues(const Math::Matrix4x4& m) { m.getValues(m_v); }

  double operator[](int i) const { return m_v[i]; }
  void set(int i, double v) { m_v[i] = v; }
  Math::Matrix4x4 matrix() const { return Math::Matrix4x4(m_v); }

  // this = this * T(x, y, z)
  MatrixValues& translate(double x, double y, double z) {
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r)
      m_v[12 + r] = m_v[r] * x + m_v[4 + r] * y + m_v[8 + r] * z + m_v[12 + r];
    return *this;
  }
  MatrixValues& translate(const Math::Vector3d& v) { return translate(v.x, v.y, v.z); }

  // this = T(v) * this
  MatrixValues& preTranslate(const Math::Vector3d& v) {
#pragma GCC unroll 4
    for (int c = 0; c < 16; c += 4) {
      const double w = m_v[c + 3];
      m_v[c] = m_v[c] + v.x * w;
      m_v[c + 1] = m_v[c + 1] + v.y * w;
      m_v[c + 2] = m_v[c + 2] + v.z * w;
    }
    return *this;
  }

  // this = this * S(x, y, z)
  MatrixValues& scale(double x, double y, double z) {
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
      m_v[r] *= x;
      m_v[4 + r] *= y;
      m_v[8 + r] *= z;
    }
    return *this;
  }

  // this = this * L, L the linear part (values 0–2, 4–6, 8–10) of `linear` with no translation.
  MatrixValues& timesLinear(const double linear[16]) {
    // Read first and written out in full: the compiler could not otherwise tell that writing this
    // matrix leaves them be, and leaves short loops rolled.
    const double l0 = linear[0], l1 = linear[1], l2 = linear[2];
    const double l4 = linear[4], l5 = linear[5], l6 = linear[6];
    const double l8 = linear[8], l9 = linear[9], l10 = linear[10];
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
      const double a0 = m_v[r], a1 = m_v[4 + r], a2 = m_v[8 + r];
      m_v[r] = a0 * l0 + a1 * l1 + a2 * l2;
      m_v[4 + r] = a0 * l4 + a1 * l5 + a2 * l6;
      m_v[8 + r] = a0 * l8 + a1 * l9 + a2 * l10;
    }
    return *this;
  }
  MatrixValues& timesLinear(const MatrixValues& linear) { return timesLinear(linear.m_v); }

  // this = this * Rz, the turn about z whose cosine and sine are c and s.
  MatrixValues& rotateZ(double c, double s) {
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
      const double a0 = m_v[r], a1 = m_v[4 + r];
      m_v[r] = a0 * c + a1 * s;
      m_v[4 + r] = a0 * -s + a1 * c;
    }
    return *this;
  }

  // this = this * K(angle): the y axis leant towards x by the angle (degrees), its length kept.
  MatrixValues& skew(double angleDegrees);

  // The linear part's inverse when it can be inverted (translation left zero); false otherwise,
  // when the determinant is zero or not finite.
  bool linearInverse(MatrixValues& out) const;

  // Columns X, Y, Z at the origin.
  static MatrixValues fromAxes(const Math::Vector3d& x, const Math::Vector3d& y, const Math::Vector3d& z) {
    MatrixValues m;
    m.m_v[0] = x.x, m.m_v[1] = x.y, m.m_v[2] = x.z;
    m.m_v[4] = y.x, m.m_v[5] = y.y, m.m_v[6] = y.z;
    m.m_v[8] = z.x, m.m_v[9] = z.y, m.m_v[10] = z.z;
    return m;
  }

private:
  double m_v[16];
};
