#pragma once
// Rotation angles about x, y and z in degrees (parts anglex, angley, anglez), applied z, y, x.
#include "BaseCore/Vector3d.h"
#include "SceneCore/AT_CompoundAttr.h"

class AT_BoolAttr;

class AT_Rotation3dAttr : public AT_CompoundAttr {
public:
  AT_Rotation3dAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable = false, AT_Attr* = nullptr,
                    AT_BoolAttr* = nullptr, double ax = 0.0, double ay = 0.0, double az = 0.0)
      : AT_CompoundAttr(owner, meta, linkable, {{"anglex", ax}, {"angley", ay}, {"anglez", az}}) {}
  QString className() const override { return QStringLiteral("AT_Rotation3dAttr"); }
  Math::Vector3d value(double frame) const {
    return Math::Vector3d(partValue(0, frame), partValue(1, frame), partValue(2, frame));
  }
  AT_DoubleAttr* angleX() const { return part(0); }
  AT_DoubleAttr* angleY() const { return part(1); }
  AT_DoubleAttr* angleZ() const { return part(2); }
};
