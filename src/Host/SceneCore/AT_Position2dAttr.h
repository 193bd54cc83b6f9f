#pragma once
// A 2-D position (parts x, y), in scene units unless its node says otherwise.
#include "BaseCore/Point2d.h"
#include "SceneCore/AT_CompoundAttr.h"

class AT_Position2dAttr : public AT_CompoundAttr {
public:
  AT_Position2dAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable = false, double x = 0.0, double y = 0.0)
      : AT_CompoundAttr(owner, meta, linkable, {{"x", x}, {"y", y}}) {}
  QString className() const override { return QStringLiteral("AT_Position2dAttr"); }
  Math::Point2d value(double frame) const { return Math::Point2d(partValue(0, frame), partValue(1, frame)); }
  AT_DoubleAttr* x() const { return part(0); }
  AT_DoubleAttr* y() const { return part(1); }
};
