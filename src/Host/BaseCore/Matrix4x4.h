#pragma once

// A 4x4 homogeneous transformation, 16 doubles in column order (12-14 the translation), composed
// on the right so a chain reads as written; angles in degrees unless the name says radians.
// A singular matrix (determinant 0 or not finite) makes inverse() throw, getInverse() the identity.

#include "BaseCore/Point3d.h"
#include "BaseCore/Vector3d.h"

#include <cstring>
#include <iosfwd>

namespace Math {

class Matrix4x4 {
public:
  static const Matrix4x4 Identity;

  constexpr Matrix4x4() : m_values{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, m_identity(true) {}
  // Column order: v0..v3 is the first column.
  Matrix4x4(double v0, double v1, double v2, double v3, double v4, double v5, double v6, double v7, double v8,
            double v9, double v10, double v11, double v12, double v13, double v14, double v15);
  explicit Matrix4x4(const double* values16) : m_identity(false) {
    std::memcpy(m_values, values16, sizeof m_values);
    updateIdentityFlag();
  }
  explicit Matrix4x4(const float* values16);
  // Columns X, Y, Z and O; the last row is 0 0 0 1.
  Matrix4x4(const Vector3d& xAxis, const Vector3d& yAxis, const Vector3d& zAxis, const Point3d& origin);

  const double* values() const { return m_values; }
  void getValues(double out[16]) const { std::memcpy(out, m_values, sizeof m_values); }
  void getValues(float out[16]) const;
  double value(int i) const { return m_values[i]; }
  double operator[](int i) const { return m_values[i]; }
  double operator()(int row, int col) const { return m_values[col * 4 + row]; }
  void setValue(int i, double v);

  // True only when the matrix is exactly the identity; products use it to skip work.
  bool isIdentity() const { return m_identity; }

  Matrix4x4 operator*(const Matrix4x4& rhs) const;
  // out = a * b, the same product without a temporary; out may be a or b.
  static void multiply(const Matrix4x4& a, const Matrix4x4& b, Matrix4x4& out);
  Matrix4x4& operator*=(const Matrix4x4& rhs);
  // Maps (x, y, z, 1) and divides by w unless w is 1 or 0 (a point at infinity, w = 0, is
  // returned undivided; callers that care check w themselves). Inline, like the vector's own
  // arithmetic: the constraints' hot paths map points at every frame.
  Point3d operator*(const Point3d& p) const {
    if (m_identity)
      return p;
    const double* m = m_values;
    const double x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    const double y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    const double z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
    const double w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    if (w != 1.0 && w != 0.0)
      return {x / w, y / w, z / w};
    return {x, y, z};
  }
  // Upper 3x3 only: directions ignore translation and perspective.
  Vector3d operator*(const Vector3d& v) const {
    const double* m = m_values;
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
            m[2] * v.x + m[6] * v.y + m[10] * v.z};
  }

  Matrix4x4& translate(const Vector3d& v);
  Matrix4x4& translate(double x, double y, double z);
  Matrix4x4& scale(double x, double y, double z = 1.0);
  Matrix4x4& rotateDegrees(double angle, const Vector3d& axis);
  // Right-handed about the normalised axis: 90 degrees about z carries x onto y.
  Matrix4x4& rotateRadians(double angle, const Vector3d& axis);
  // Leans the y axis towards x by the angle (degrees) while keeping its length.
  Matrix4x4& skew(double angleDegrees);

  double determinant() const;
  // In place; throws MatrixException and leaves the matrix unchanged when it is singular.
  void inverse();
  Matrix4x4 getInverse() const;
  Matrix4x4 getTranspose() const;
  // The linear part made orthonormal and right-handed (Gram-Schmidt from the x axis), no
  // translation. A zero x axis, or a y axis parallel to it, leaves zero axes behind.
  Matrix4x4 rotation() const;

  Vector3d xAxis() const { return {m_values[0], m_values[1], m_values[2]}; }
  Vector3d yAxis() const { return {m_values[4], m_values[5], m_values[6]}; }
  Vector3d zAxis() const { return {m_values[8], m_values[9], m_values[10]}; }
  Point3d origin() const { return {m_values[12], m_values[13], m_values[14]}; }

  bool operator==(const Matrix4x4& rhs) const;
  bool operator!=(const Matrix4x4& rhs) const { return !(*this == rhs); }
  // Every value within tol (absolute) of the other's; NaN never compares close.
  bool isApprox(const Matrix4x4& rhs, double tol) const;

  // Splits the 2-D part (values 0, 1, 4, 5 and the translation) into translation, x and y
  // axis lengths, rotation about z and skew, angles in degrees, such that
  // translate(tx, ty, tz).rotateDegrees(angle, z).skew(skew).scale(sx, sy, 1) rebuilds it.
  // sx is never negative; a mirror shows as a negative sy. Only the form
  // (false, false, 0, 0, ...) exists in the host's callers, so the four leading arguments
  // are accepted and ignored.
  void extractParameters(bool, bool, double, double, double& tx, double& ty, double& tz, double& sx, double& sy,
                         double& angle, double& skew) const;

private:
  // Exact comparison with the identity's values (so -0 counts as 0); most matrices differ in
  // their first values and leave early.
  void updateIdentityFlag() {
    static constexpr double kIdentityValues[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) {
      if (m_values[i] != kIdentityValues[i]) {
        m_identity = false;
        return;
      }
    }
    m_identity = true;
  }

  double m_values[16];
  bool m_identity;
};

std::ostream& operator<<(std::ostream& os, const Matrix4x4& m);

} // namespace Math
