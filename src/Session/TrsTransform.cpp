#include "TrsTransform.h"

#include <Eigen/LU>
#include <Eigen/SVD>
#include <cmath>

namespace {

// 3 × 3 matrices as 9 doubles in column order, as the 4 × 4 ones are.
using M3 = double[9];

double dot3(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void cross3(const double* a, const double* b, double* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

double frobenius(const M3 a) { return std::sqrt(dot3(a, a) + dot3(a + 3, a + 3) + dot3(a + 6, a + 6)); }

// The rotation factor of a's polar decomposition by SVD, for a singular a, where the Newton
// iteration has no inverse to work with; turned proper through the direction a flattens.
void rotationBySvd(const M3 a, M3 q) {
  const Eigen::Map<const Eigen::Matrix3d> A(a);
  Eigen::JacobiSVD<Eigen::Matrix3d> svd(A, Eigen::ComputeFullU | Eigen::ComputeFullV);
  Eigen::Matrix3d U = svd.matrixU();
  Eigen::Matrix3d Q = U * svd.matrixV().transpose();
  if (Q.determinant() < 0.0) {
    U.col(2) = -U.col(2);
    Q = U * svd.matrixV().transpose();
  }
  Eigen::Map<Eigen::Matrix3d> out(q);
  out = Q;
}

// The rotation factor Q of a = Q · P (a with a positive determinant) by Newton's iteration
// X ← (γX + X⁻ᵀ/γ) / 2, scaled by γ = (‖X⁻¹‖ / ‖X‖)^½ so that it takes a few steps however
// stretched a is, unscaled once near. Convergence is quadratic: after a step that moves X by
// 1e-6 it is off by about 1e-12.
void polarRotation(const M3 a, M3 q) {
  double x[9];
  for (int i = 0; i < 9; ++i)
    x[i] = a[i];
  double moved = 1.0;
  for (int step = 0; step < 40 && moved > 1e-12; ++step) {
    double it[9]; // X⁻ᵀ times the determinant: the columns' cross products
    cross3(x + 3, x + 6, it);
    cross3(x + 6, x, it + 3);
    cross3(x, x + 3, it + 6);
    const double det = dot3(x, it);
    double gamma = 1.0;
    if (moved > 1e-4) {
      const double norm = frobenius(x);
      if (!(std::fabs(det) > 1e-12 * norm * norm * norm))
        return rotationBySvd(a, q);
      gamma = std::sqrt(frobenius(it) / (std::fabs(det) * norm));
    }
    const double g = 0.5 * gamma, h = 0.5 / (gamma * det);
    moved = 0.0;
    for (int i = 0; i < 9; ++i) {
      const double next = g * x[i] + h * it[i];
      moved += (next - x[i]) * (next - x[i]);
      x[i] = next;
    }
  }
  for (int i = 0; i < 9; ++i)
    q[i] = x[i];
}

// The unit quaternion of a proper rotation (Shepperd's choice of the largest term, for precision).
Math::Quat quaternion(const M3 r) {
  auto R = [r](int row, int col) { return r[col * 3 + row]; };
  const double trace = R(0, 0) + R(1, 1) + R(2, 2);
  Math::Quat q;
  if (trace > 0.0) {
    const double s = 2.0 * std::sqrt(trace + 1.0);
    q = {0.25 * s, (R(2, 1) - R(1, 2)) / s, (R(0, 2) - R(2, 0)) / s, (R(1, 0) - R(0, 1)) / s};
  } else if (R(0, 0) > R(1, 1) && R(0, 0) > R(2, 2)) {
    const double s = 2.0 * std::sqrt(1.0 + R(0, 0) - R(1, 1) - R(2, 2));
    q = {(R(2, 1) - R(1, 2)) / s, 0.25 * s, (R(0, 1) + R(1, 0)) / s, (R(0, 2) + R(2, 0)) / s};
  } else if (R(1, 1) > R(2, 2)) {
    const double s = 2.0 * std::sqrt(1.0 + R(1, 1) - R(0, 0) - R(2, 2));
    q = {(R(0, 2) - R(2, 0)) / s, (R(0, 1) + R(1, 0)) / s, 0.25 * s, (R(1, 2) + R(2, 1)) / s};
  } else {
    const double s = 2.0 * std::sqrt(1.0 + R(2, 2) - R(0, 0) - R(1, 1));
    q = {(R(1, 0) - R(0, 1)) / s, (R(0, 2) + R(2, 0)) / s, (R(1, 2) + R(2, 1)) / s, 0.25 * s};
  }
  return q.normalized();
}

} // namespace

void TrsTransform::compose(const double t[3], const double q[4], const double s[3], double out[16]) {
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z),     2 * (x * z - w * y),
                       2 * (x * y - w * z),     1 - 2 * (x * x + z * z), 2 * (y * z + w * x),
                       2 * (x * z + w * y),     2 * (y * z - w * x),     1 - 2 * (x * x + y * y)};
  for (int c = 0; c < 3; ++c) {
    for (int row = 0; row < 3; ++row)
      out[c * 4 + row] = r[c * 3 + row] * s[c];
    out[c * 4 + 3] = 0.0;
  }
  out[12] = t[0];
  out[13] = t[1];
  out[14] = t[2];
  out[15] = 1.0;
}

Math::Matrix4x4 TrsTransform::matrix() const {
  const double t[3] = {translation.x, translation.y, translation.z};
  const double q[4] = {rotation.x, rotation.y, rotation.z, rotation.w};
  const double s[3] = {scale.x, scale.y, scale.z};
  double v[16];
  compose(t, q, s, v);
  return Math::Matrix4x4(v);
}

TrsTransform TrsTransform::nearest(const Math::Matrix4x4& m, const Math::Quat* near) {
  const double* v = m.values();
  double a[9] = {v[0], v[1], v[2], v[4], v[5], v[6], v[8], v[9], v[10]};
  double axis[3];
  cross3(a + 3, a + 6, axis);
  // A mirror goes to the x axis: the rest then has a positive determinant and a proper rotation.
  const double sign = dot3(a, axis) < 0.0 ? -1.0 : 1.0;
  for (int i = 0; i < 3; ++i)
    a[i] *= sign;

  double q[9];
  const double n[3] = {std::sqrt(dot3(a, a)), std::sqrt(dot3(a + 3, a + 3)), std::sqrt(dot3(a + 6, a + 6))};
  const auto square = [&](int i, int j) { return std::fabs(dot3(a + 3 * i, a + 3 * j)) <= 1e-12 * n[i] * n[j]; };
  if (n[0] > 0.0 && n[1] > 0.0 && n[2] > 0.0 && square(0, 1) && square(0, 2) && square(1, 2)) {
    // Square axes: the rotation is their directions, the scale their lengths.
    for (int i = 0; i < 9; ++i)
      q[i] = a[i] / n[i / 3];
  } else {
    polarRotation(a, q);
  }

  TrsTransform t;
  t.translation = Math::Vector3d(v[12], v[13], v[14]);
  // The diagonal of the stretch P = Qᵀ · a: each axis of a measured along Q's.
  t.scale = Math::Vector3d(sign * dot3(q, a), dot3(q + 3, a + 3), dot3(q + 6, a + 6));
  t.rotation = quaternion(q);
  const Math::Quat& r = t.rotation;
  const bool flip = near ? r.w * near->w + r.x * near->x + r.y * near->y + r.z * near->z < 0.0 : r.w < 0.0;
  if (flip)
    t.rotation = Math::Quat(-r.w, -r.x, -r.y, -r.z);
  return t;
}
