#include "AttributeDocs.h"

#include <iterator>

#include "SpringBound.h"

namespace {

constexpr const char* kScene = "scene units";
constexpr const char* kDrawing = "drawing units";
constexpr const char* kDegrees = "degrees";
constexpr const char* kPercent = "percent";
constexpr const char* kNone = "";

struct Row {
  const char* type;
  const char* keyword;
  const char* unit;
  const char* description;
  bool springBound = false; // the row ends with the bound the spring's step must keep
};

const Row kRows[] = {
    // The host's own node types.
    {"Peg", "POSITION", kScene, "where the peg moves its children, after its input's transformation"},
    {"Peg", "ROTATION", kDegrees, "rotation about the pivot, applied about z, then y, then x"},
    {"Peg", "SCALE", kNone, "scale factors about the pivot (negative mirrors)"},
    {"Peg", "SKEW", kDegrees, "leans the y axis towards x about the pivot, keeping its length"},
    {"Peg", "PIVOT", kScene, "the point the peg rotates, skews and scales about; not animated"},
    {"Camera", "POSITION", kScene, "where the camera stands; it looks down its own -z axis"},
    {"Camera", "ROTATION", kDegrees, "the camera's turn, applied about z, then y, then x"},
    {"Camera", "FOV", kDegrees, "vertical field of view"},
    {"Camera", "NEAR", kDrawing, "distance of the near clipping plane"},
    {"Camera", "FAR", kDrawing, "distance of the far clipping plane"},

    // Dynamic spring.
    {"DynamicSpring", "ACTIVE", kPercent,
     "100 is the full spring, 0 passes the input through and restarts the spring, values between blend; multiplied by "
     "a switch on the Switch input (an ACTIVE of -100 inverts the switch)"},
    {"DynamicSpring", "MATCHEXPOSURES", kNone,
     "when on, the output moves only on frames where ACTIVE has a key (drawn on twos and such) while the spring's "
     "state still advances every frame"},
    {"DynamicSpring", "TENSIONX", kPercent,
     "share of the distance left to the input's x added to the velocity each frame", true},
    {"DynamicSpring", "INERTIAX", kPercent, "share of the x velocity kept from one frame to the next", true},
    {"DynamicSpring", "TENSIONY", kPercent,
     "share of the distance left to the input's y added to the velocity each frame", true},
    {"DynamicSpring", "INERTIAY", kPercent, "share of the y velocity kept from one frame to the next", true},
    {"DynamicSpring", "TENSIONZ", kPercent,
     "share of the distance left to the input's z added to the velocity each frame", true},
    {"DynamicSpring", "INERTIAZ", kPercent, "share of the z velocity kept from one frame to the next", true},
    {"DynamicSpring", "TENSIONSCALE", kPercent, "the same pull for the three scale factors together", true},
    {"DynamicSpring", "INERTIASCALE", kPercent, "the share of the scale factors' velocity kept", true},
    {"DynamicSpring", "TENSIONSKEW", kPercent, "the same pull for the three skew angles together", true},
    {"DynamicSpring", "INERTIASKEW", kPercent, "the share of the skew angles' velocity kept", true},
    {"DynamicSpring", "TENSIONROTATE", kPercent, "the same pull for the rotation, as a share of the turn left", true},
    {"DynamicSpring", "INERTIAROTATE", kPercent, "the share of the rotation's turn per frame kept", true},
    {"DynamicSpring", "PIGNORE", kNone,
     "without a Static Transform input, the spring runs in the space of the node this many levels up its input's "
     "chain (0: the scene's)"},
    {"DynamicSpring", "PARENTNAME", kNone, "ends that climb early at the first node of this name"},

    // Two-points constraint.
    {"PointConstraint2", "ACTIVE", kPercent,
     "100 follows the pegs fully, 0 leaves the right peg's own transformation; multiplied by a switch on the Switch "
     "input (an ACTIVE of -100 inverts the switch)"},
    {"PointConstraint2", "VOLUMEMOD", kPercent,
     "how much the cross scale answers the stretch: 100 keeps the area (the inverse of the stretch), 0 leaves it 1"},
    {"PointConstraint2", "VOLUMEMAX", kPercent, "upper limit of the cross scale; 0 or less: no limit"},
    {"PointConstraint2", "VOLUMEMIN", kPercent, "lower limit of the cross scale; 0 or less: no limit"},
    {"PointConstraint2", "STRETCHMAX", kPercent,
     "upper limit of the stretch, in percent of the rest length between the pivots; 0 or less: no limit"},
    {"PointConstraint2", "STRETCHMIN", kPercent,
     "lower limit of the stretch, in percent of the rest length; 0 or less: no limit"},
    {"PointConstraint2", "SKEWCONTROL", kPercent, "how much of the turn between the pegs is added as skew (0 to 100)"},
    {"PointConstraint2", "SMOOTH", kPercent,
     "softness of the stretch limits: the stretch eases into them instead of stopping dead (0 to 100)"},
    {"PointConstraint2", "BALANCE", kPercent,
     "share of the gap left to the secondary peg's pivot that the result moves by (0 to 100)"},
    {"PointConstraint2", "FLATTENTYPE", kNone,
     "how 3-D input is taken: FLATTEN drops depth, ALLOW keeps it, PROJECT carries the secondary pivot along the "
     "camera's ray onto the primary peg's plane"},
    {"PointConstraint2", "TRANSFORMTYPE", kNone,
     "what is taken over from the primary peg: TRANSLATE its movement only, TRANSFORM its whole transformation, "
     "LOCALTRANSFORM its movement and its own rotation"},
    {"PointConstraint2", "PRIMARYPORT", kNone,
     "which peg the result follows (the other one it aims at): RIGHT, LEFT, or the one in front (TOPMOST) or behind "
     "(BOTTOMMOST)"},

    // Three-points constraint.
    {"PointConstraint3", "ACTIVE", kPercent,
     "100 follows the triangle fully, 0 leaves the right peg's own transformation; multiplied by a switch on the "
     "Switch input (an ACTIVE of -100 inverts the switch)"},
    {"PointConstraint3", "FLATTENTYPE", kNone,
     "PROJECT carries the two secondary pivots along the camera's ray onto the primary peg's plane; FLATTEN and ALLOW "
     "take them as they are"},
    {"PointConstraint3", "TRANSFORMTYPE", kNone,
     "TRANSLATE maps the triangle only; ALLOW also applies the primary peg's own rotation after the map, LOCAL before "
     "it"},
    {"PointConstraint3", "PRIMARYPORT", kNone,
     "the corner the triangles are taken from: RIGHT, MIDDLE, LEFT, or the peg in front (TOPMOST) or behind "
     "(BOTTOMMOST)"},

    // Multi-points constraint.
    {"PointConstraintMulti", "ACTIVE", kPercent,
     "how far the points are taken from rest towards where they are now before the fit (0 to 100), multiplied by a "
     "switch on any input"},
    {"PointConstraintMulti", "FLATTENTYPE", kNone,
     "ALLOW takes the points in 3-D; PROJECT projects them through the camera onto the first input's plane (always "
     "so from four points on)"},
    {"PointConstraintMulti", "CONVEXHULL", kNone,
     "when on, only the points on the convex hull of the rest positions take part in the fit"},
    {"PointConstraintMulti", "ALLOWPERSP", kNone, "when on, the fit of four or more points may include a perspective"},

    // Static transformation.
    {"StaticConstraint", "bakeAttr", kNone,
     "button: stores the immediate parent's own transformation in the attributes below"},
    {"StaticConstraint", "bakeAttr_all", kNone,
     "button: stores the whole transformation arriving at the input in the attributes below"},
    {"StaticConstraint", "active", kNone,
     "when on, the node appends its own transformation to its input's; when off, the input passes through"},
    {"StaticConstraint", "translate", kScene, "translation of the appended transformation"},
    {"StaticConstraint", "scale", kNone, "scale factors of the appended transformation"},
    {"StaticConstraint", "rotate", kDegrees, "rotation of the appended transformation about x, y and z"},
    {"StaticConstraint", "skewX", kDegrees, "skew of the appended transformation (y leaning towards x)"},
    {"StaticConstraint", "skewY", kDegrees, "the same skew turned a quarter about z"},
    {"StaticConstraint", "skewZ", kDegrees, "the same skew turned a quarter about y and z"},
    {"StaticConstraint", "inverted", kNone,
     "when on, the inverse is appended, so that a baked transformation cancels what arrives"},

    // Switch.
    {"Switch", "ACTIVE", kPercent,
     "the activity the nodes reading this switch receive; the slider's knob (drag it in the view)"},
    {"Switch", "GATENUM", kNone, "the input a transformation gate reading this switch takes as its target"},
    {"Switch", "UIOFFSETPOS", kScene, "where the slider is drawn"},
    {"Switch", "UISCALE", kNone, "the slider's size factor"},

    // Transformation gate.
    {"TransformGate", "ACTIVE", kPercent,
     "blends from the default input (0) to the target (100), multiplied by a switch on any input (negative inverts "
     "it)"},
    {"TransformGate", "TARGET_GATE", kNone, "the input taken at full activity, unless a switch names another"},
    {"TransformGate", "DEFAULT_GATE", kNone, "the input taken at no activity"},

    // Transformation limit.
    {"TransformLimit", "ACTIVE", kPercent, "activity (0 to 100), multiplied by a switch on the Switch input"},
    {"TransformLimit", "SWITCHTYPE", kNone,
     "what the activity acts on: ACTIVE fades the whole limit, the others scale only the translation, scale, "
     "rotation, skew or scale and skew percentages"},
    {"TransformLimit", "TX", kPercent, "share of the x translation kept, relative to the reference"},
    {"TransformLimit", "TY", kPercent, "share of the y translation kept"},
    {"TransformLimit", "TZ", kPercent, "share of the z translation kept"},
    {"TransformLimit", "ROT", kPercent, "share of the rotation kept"},
    {"TransformLimit", "SKEW", kPercent, "share of the skew kept"},
    {"TransformLimit", "SX", kPercent, "share of the x scale change kept"},
    {"TransformLimit", "SY", kPercent, "share of the y scale change kept"},
    {"TransformLimit", "ALLOWFLIP", kNone, "when on, a mirrored input is flipped back and the signs of scale survive"},
    {"TransformLimit", "UNIFORMSCALE", kNone, "when on, x and y scale are both replaced by their mean"},
    {"TransformLimit", "PIGNORE", kNone,
     "without a Forced-Transform input, the reference is the node this many levels up the input's chain"},
    {"TransformLimit", "PARENTNAME", kNone, "ends that climb early at the first node of this name"},
    {"TransformLimit", "FLATTENTYPE", kNone,
     "ALLOW keeps the control's displacement in 3-D; PROJECT3D projects it through the camera onto the reference's "
     "plane; PROJECT3DSCALE also scales by the camera's depth ratio"},
    {"TransformLimit", "SKEWTYPE", kNone,
     "how skew and rotation share the angle: SKEWAIM takes the skew out of the rotation, SKEWIGNORE adds it, "
     "SKEWOPTIMIZE adds the difference of the two"},
    {"TransformLimit", "FLIPAXIS", kNone,
     "the axis a mirrored input is flipped back on: FLIPX, FLIPY, or MINIMIZED (x when the input's x axis points "
     "backwards, y otherwise)"},
    {"TransformLimit", "POS", kScene,
     "the control position, in the input's own space: the limited rotation and scale turn about it (drag it in the "
     "view)"},
};

} // namespace

AttributeDocs::Doc AttributeDocs::find(const QString& type, const QString& keyword) {
  // A part ("POSITION.X") is described by its compound's row.
  const QString head = keyword.section(QLatin1Char('.'), 0, 0);
  for (const Row& row : kRows)
    if (type == QLatin1String(row.type) && head == QLatin1String(row.keyword)) {
      Doc doc{QLatin1String(row.unit), QLatin1String(row.description)};
      if (row.springBound)
        doc.description += QStringLiteral("; ") + SpringBound::statement();
      return doc;
    }
  return Doc{};
}
