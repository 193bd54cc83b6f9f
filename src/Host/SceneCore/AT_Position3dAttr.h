#pragma once
// A 3-D position (parts x, y, z), in scene units; the constraints convert with toOGL.
#include "BaseCore/Point3d.h"
#include "SceneCore/AT_CompoundAttr.h"

class AT_BoolAttr;

class AT_Position3dAttr : public AT_CompoundAttr {
public:
  AT_Position3dAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable = false, double x = 0.0, double y = 0.0,
                    double z = 0.0, AT_BoolAttr* = nullptr)
      : AT_CompoundAttr(owner, meta, linkable, {{"x", x}, {"y", y}, {"z", z}}) {}
  QString className() const override { return QStringLiteral("AT_Position3dAttr"); }
  Math::Point3d value(double frame) const {
    return Math::Point3d(partValue(0, frame), partValue(1, frame), partValue(2, frame));
  }
  AT_DoubleAttr* x() const { return part(0); }
  AT_DoubleAttr* y() const { return part(1); }
  AT_DoubleAttr* z() const { return part(2); }
};
