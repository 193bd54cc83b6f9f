#pragma once
// The host's camera: placed like a peg (POSITION in scene units, ROTATION in degrees), looking
// down its own −z axis, with a vertical field of view (FOV, degrees) and near and far planes
// (NEAR, FAR, drawing units). The scene's camera matrix is its transformation.
#include "SceneCore/MO_Module.h"

class AT_DoubleAttr;
class AT_Position3dAttr;
class AT_Rotation3dAttr;

class Camera : public MO_Module {
public:
  static const QString kTypeName;
  static constexpr double kDefaultFieldOfView = 41.112;

  Camera();
  QString moduleTypeName() const override { return kTypeName; }
  QString baseDisplayName() const override { return QStringLiteral("Camera"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;

  double fieldOfView(double frame) const;
  double nearPlane(double frame) const;
  double farPlane(double frame) const;

private:
  AT_Position3dAttr* m_position;
  AT_Rotation3dAttr* m_rotation;
  AT_DoubleAttr* m_fov;
  AT_DoubleAttr* m_near;
  AT_DoubleAttr* m_far;
};
