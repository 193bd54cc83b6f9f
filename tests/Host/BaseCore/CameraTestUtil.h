#pragma once

// Camera matrices from their closed forms, shared by the camera chain and plane tests.

#include "BaseCore/Matrix4x4.h"

#include <cmath>

namespace MathTest {

// The OpenGL perspective matrix with focal factor f = 1 / tan(fovy / 2), column order.
inline Math::Matrix4x4 perspectiveFromFocal(double f, double aspect, double zNear, double zFar) {
  return Math::Matrix4x4(f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (zFar + zNear) / (zNear - zFar), -1, 0, 0,
                         2 * zFar * zNear / (zNear - zFar), 0);
}

inline Math::Matrix4x4 perspective(double fovyDegrees, double aspect, double zNear, double zFar) {
  const double halfFov = fovyDegrees * 3.14159265358979323846 / 360.0;
  return perspectiveFromFocal(1.0 / std::tan(halfFov), aspect, zNear, zFar);
}

} // namespace MathTest
