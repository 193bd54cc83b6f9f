#pragma once

// Carries points between a camera's frames: model 6, world 5, eye 4, clip 3, NDC 2 and view 1
// (the viewport rectangle's units), through model, view, projection, division and viewport.
// Unknown frames, a singular step on the way up or w = 0 give false and leave the output alone.

#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point3d.h"
#include "BaseCore/Rect2d.h"

namespace Math {

enum SourceReferenceFrame_e {
  eSourceViewFrame = 1,
  eSourceNdcFrame = 2,
  eSourceClipFrame = 3,
  eSourceEyeFrame = 4,
  eSourceWorldFrame = 5,
  eSourceModelFrame = 6
};

enum DestinationReferenceFrame_e {
  eDestinationViewFrame = 1,
  eDestinationNdcFrame = 2,
  eDestinationClipFrame = 3,
  eDestinationEyeFrame = 4,
  eDestinationWorldFrame = 5,
  eDestinationModelFrame = 6
};

class CameraTransformChain {
public:
  // The viewport maps NDC x in [-1, 1] onto [left, right], y onto [bottom, top] and z onto [0, 1].
  void setViewport(const Rect2d& viewport) { m_viewport = viewport; }
  void setModelMatrix(const Matrix4x4& m) { m_model = m; }
  // World to eye: the inverse of the camera's own transformation.
  void setViewMatrix(const Matrix4x4& m) { m_view = m; }
  void setProjectionMatrix(const Matrix4x4& m) { m_projection = m; }

  const Rect2d& viewport() const { return m_viewport; }
  const Matrix4x4& modelMatrix() const { return m_model; }
  const Matrix4x4& viewMatrix() const { return m_view; }
  const Matrix4x4& projectionMatrix() const { return m_projection; }

  // The homogeneous matrix from one frame to another. The perspective division is no matrix:
  // a point mapped with a compound matrix that crosses it must still be divided by w, which
  // Matrix4x4 * Point3d does. Going up (to a higher number) inverts the downward product.
  bool compoundMatrix(int from, int to, Matrix4x4& m) const;
  // Maps a point including the division: the result is divided by w unless the destination
  // is the clip frame, whose x, y, z are returned undivided. The source is taken with w = 1.
  bool transform(int from, const Point3d& p, int to, Point3d& q) const;

private:
  // The matrix of the step from frame `lower + 1` down to frame `lower`.
  Matrix4x4 stepMatrix(int lower) const;

  Rect2d m_viewport{-1.0, 1.0, 1.0, -1.0};
  Matrix4x4 m_model;
  Matrix4x4 m_view;
  Matrix4x4 m_projection;
};

} // namespace Math
