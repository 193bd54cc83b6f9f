#include "Command/CO_AttrCommands.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_Position2dAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"

namespace {

bool allFinite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

Attr::FrameRange ordered(const Attr::FrameRange& r) {
  return r.first <= r.last ? r : Attr::FrameRange{r.last, r.first};
}

void offsetAllFrames(AT_DoubleAttr* attr, double target, const Attr::FrameRange& range) {
  if (!attr->isAnimated()) {
    attr->setLocalValue(target);
    return;
  }
  const double offset = target - attr->storedValue(range.first);
  const AT_DoubleAttrMeta& meta = attr->doubleMeta();
  AT_Keys moved;
  for (const auto& [frame, key] : attr->keys()->keys()) {
    double v = key.value;
    // The anchor key takes the value itself: v + (target - v) need not round back to target.
    if (frame == range.first)
      v = target;
    else if (range.contains(frame))
      v += offset;
    moved.setKey(frame, std::min(std::max(v, meta.min()), meta.max()), key.interpolation);
  }
  attr->setKeys(moved);
  attr->setLocalValue(attr->localValue() + offset);
}

} // namespace

namespace Attr {

CO_Command* Double::createSetValueCmd(AT_DoubleAttr* attr, double frame, double value) {
  if (!attr || !allFinite({frame, value}))
    return nullptr;
  return new AT_EditCmd(attr, [=] { attr->setValue(frame, value); });
}

CO_Command* Double::createOffsetValueAllFramesCmd(AT_DoubleAttr* attr, double value, const FrameRange& range) {
  if (!attr || !allFinite({value, range.first, range.last}))
    return nullptr;
  const FrameRange r = ordered(range);
  return new AT_EditCmd(attr, [=] { offsetAllFrames(attr, value, r); });
}

CO_Command* Position2d::createSetValueCmd(AT_Position2dAttr* attr, double frame, double x, double y) {
  if (!attr || !allFinite({frame, x, y}))
    return nullptr;
  return new AT_EditCmd(attr, [=] {
    attr->x()->setValue(frame, x);
    attr->y()->setValue(frame, y);
  });
}

CO_Command* Position2d::createTranslateAllFramesCmd(AT_Position2dAttr* attr, double x, double y,
                                                    const FrameRange& range) {
  if (!attr || !allFinite({x, y, range.first, range.last}))
    return nullptr;
  const FrameRange r = ordered(range);
  return new AT_EditCmd(attr, [=] {
    offsetAllFrames(attr->x(), x, r);
    offsetAllFrames(attr->y(), y, r);
  });
}

CO_Command* Position3d::createSetValueCmd(AT_Position3dAttr* attr, double frame, double x, double y, double z) {
  if (!attr || !allFinite({frame, x, y, z}))
    return nullptr;
  return new AT_EditCmd(attr, [=] {
    attr->x()->setValue(frame, x);
    attr->y()->setValue(frame, y);
    attr->z()->setValue(frame, z);
  });
}

CO_Command* Rotation3d::createSetLocalValueCmd(AT_Rotation3dAttr* attr, const Math::Vector3d& anglesDegrees) {
  if (!attr || !allFinite({anglesDegrees.x, anglesDegrees.y, anglesDegrees.z}))
    return nullptr;
  return new AT_EditCmd(attr, [=] {
    attr->angleX()->setLocalValue(anglesDegrees.x);
    attr->angleY()->setLocalValue(anglesDegrees.y);
    attr->angleZ()->setLocalValue(anglesDegrees.z);
  });
}

CO_Command* Scale3d::createSetLocalValueCmd(AT_Scale3dAttr* attr, double sx, double sy, double sz) {
  if (!attr || !allFinite({sx, sy, sz}))
    return nullptr;
  return new AT_EditCmd(attr, [=] {
    attr->x()->setLocalValue(sx);
    attr->y()->setLocalValue(sy);
    attr->z()->setLocalValue(sz);
  });
}

} // namespace Attr
