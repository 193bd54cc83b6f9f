#pragma once
// Scale factors along x, y, z (parts x, y, z, default 1).
#include "BaseCore/Vector3d.h"
#include "SceneCore/AT_CompoundAttr.h"

class AT_BoolAttr;

class AT_Scale3dAttr : public AT_CompoundAttr {
public:
  AT_Scale3dAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable = false, AT_Attr* = nullptr,
                 AT_BoolAttr* = nullptr)
      : AT_CompoundAttr(owner, meta, linkable, {{"x", 1.0}, {"y", 1.0}, {"z", 1.0}}) {}
  QString className() const override { return QStringLiteral("AT_Scale3dAttr"); }
  Math::Vector3d value(double frame) const {
    return Math::Vector3d(partValue(0, frame), partValue(1, frame), partValue(2, frame));
  }
  AT_DoubleAttr* x() const { return part(0); }
  AT_DoubleAttr* y() const { return part(1); }
  AT_DoubleAttr* z() const { return part(2); }
};
