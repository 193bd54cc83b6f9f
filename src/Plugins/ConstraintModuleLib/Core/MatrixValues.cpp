#include "Core/MatrixValues.h"

#include <cmath>

#include "Core/Angles.h"

MatrixValues& MatrixValues::skew(double angleDegrees) {
  const double a = angleDegrees * kDegToRad;
  const double s = std::sin(a);
  const double c = std::cos(a);
#pragma GCC unroll 4
  for (int r = 0; r < 4; ++r)
    m_v[4 + r] = m_v[r] * s + m_v[4 + r] * c;
  return *this;
}

bool MatrixValues::linearInverse(MatrixValues& out) const {
  const double* m = m_v;
  // Cofactors of the 3x3 linear part, column order: value (col, row) of the adjugate.
  const double c00 = m[5] * m[10] - m[9] * m[6];
  const double c01 = m[9] * m[2] - m[1] * m[10];
  const double c02 = m[1] * m[6] - m[5] * m[2];
  const double det = m[0] * c00 + m[4] * c01 + m[8] * c02;
  if (det == 0.0 || !std::isfinite(det))
    return false;
  const double inv = 1.0 / det;
  double* b = out.m_v;
  b[0] = c00 * inv;
  b[1] = c01 * inv;
  b[2] = c02 * inv;
  b[4] = (m[8] * m[6] - m[4] * m[10]) * inv;
  b[5] = (m[0] * m[10] - m[8] * m[2]) * inv;
  b[6] = (m[4] * m[2] - m[0] * m[6]) * inv;
  b[8] = (m[4] * m[9] - m[8] * m[5]) * inv;
  b[9] = (m[8] * m[1] - m[0] * m[9]) * inv;
  b[10] = (m[0] * m[5] - m[4] * m[1]) * inv;
  b[3] = b[7] = b[11] = b[12] = b[13] = b[14] = 0.0;
  b[15] = 1.0;
  return true;
}
