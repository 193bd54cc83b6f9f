#pragma once
// Builders of undoable attribute edits. Each returns a new command that the caller owns and
// that changes nothing until it runs; null for a null attribute or a value that is not a
// finite number. Values are in the attribute's own units (scene units, degrees, percent).
// Undo and redo restore the attribute exactly, keys included.
//
// "All frames" edits keep the animation's shape: the stored value at the range's first frame
// becomes the value given, and every key inside the range, and the local value, moves by that
// same offset. Keys outside the range stay where they are, so the value at the first frame is
// only exactly the one given when no key before the range governs it. A range whose ends are
// swapped is read from the smaller to the larger.
#include "BaseCore/Vector3d.h"
#include "SceneCore/AT_FrameRange.h"

class AT_DoubleAttr;
class AT_Position2dAttr;
class AT_Position3dAttr;
class AT_Rotation3dAttr;
class AT_Scale3dAttr;
class CO_Command;

namespace Attr {

namespace Double {
// A key at the frame when the attribute is animated (keeping the interpolation of a key already
// there), else the local value.
CO_Command* createSetValueCmd(AT_DoubleAttr* attr, double frame, double value);
CO_Command* createOffsetValueAllFramesCmd(AT_DoubleAttr* attr, double value, const FrameRange& range);
} // namespace Double

namespace Position2d {
CO_Command* createSetValueCmd(AT_Position2dAttr* attr, double frame, double x, double y);
// (x, y) is the new position at the range's first frame, not a displacement: callers hand
// over where the control was dropped, and each part moves by its own offset.
CO_Command* createTranslateAllFramesCmd(AT_Position2dAttr* attr, double x, double y, const FrameRange& range);
} // namespace Position2d

namespace Position3d {
CO_Command* createSetValueCmd(AT_Position3dAttr* attr, double frame, double x, double y, double z);
} // namespace Position3d

namespace Rotation3d {
// Local values only, in degrees; keys are left as they are.
CO_Command* createSetLocalValueCmd(AT_Rotation3dAttr* attr, const Math::Vector3d& anglesDegrees);
} // namespace Rotation3d

namespace Scale3d {
// Local values only; keys are left as they are.
CO_Command* createSetLocalValueCmd(AT_Scale3dAttr* attr, double sx, double sy, double sz);
} // namespace Scale3d

} // namespace Attr
