#include "BaseCore/CameraTransformChain.h"

#include "BaseCore/MatrixException.h"

#include <cmath>

namespace Math {

namespace {

constexpr int kFirstFrame = eSourceViewFrame;
constexpr int kLastFrame = eSourceModelFrame;

bool validFrame(int frame) { return frame >= kFirstFrame && frame <= kLastFrame; }

} // namespace

Matrix4x4 CameraTransformChain::stepMatrix(int lower) const {
  switch (lower) {
  case eSourceViewFrame: {
    const double hw = 0.5 * m_viewport.width();
    const double hh = 0.5 * m_viewport.height();
    return Matrix4x4(hw, 0, 0, 0, 0, hh, 0, 0, 0, 0, 0.5, 0, m_viewport.left + hw, m_viewport.bottom + hh, 0.5, 1);
  }
  case eSourceNdcFrame:
    return Matrix4x4::Identity; // the division, applied to points, not matrices
  case eSourceClipFrame:
    return m_projection;
  case eSourceEyeFrame:
    return m_view;
  case eSourceWorldFrame:
    return m_model;
  default:
    return Matrix4x4::Identity;
  }
}

bool CameraTransformChain::compoundMatrix(int from, int to, Matrix4x4& m) const {
  if (!validFrame(from) || !validFrame(to))
    return false;

  const int high = from > to ? from : to;
  const int low = from > to ? to : from;
  Matrix4x4 down;
  for (int frame = low; frame < high; ++frame)
    down *= stepMatrix(frame);

  if (from < to) {
    try {
      down.inverse();
    } catch (const MatrixException&) {
      return false;
    }
  }
  m = down;
  return true;
}

bool CameraTransformChain::transform(int from, const Point3d& p, int to, Point3d& q) const {
  Matrix4x4 m;
  if (!compoundMatrix(from, to, m))
    return false;

  const double x = m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2) * p.z + m(0, 3);
  const double y = m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2) * p.z + m(1, 3);
  const double z = m(2, 0) * p.x + m(2, 1) * p.y + m(2, 2) * p.z + m(2, 3);
  const double w = m(3, 0) * p.x + m(3, 1) * p.y + m(3, 2) * p.z + m(3, 3);

  Point3d r(x, y, z);
  if (to != eDestinationClipFrame) {
    if (w == 0.0 || !std::isfinite(w))
      return false;
    r = r / w;
  }
  if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.z))
    return false;
  q = r;
  return true;
}

} // namespace Math
