#include "SceneCore/PegTransform.h"

Math::Matrix4x4 PegTransform::matrix() const {
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
