#pragma once
// Reading and setting a node's attributes by keyword path ("ROTATION.ANGLEZ") as an editor does.
// A value is given as the scene file spells it; it is checked before anything changes and
// refused with the scene reader's message for the same value in a file (BadArgumentError; an
// unknown keyword is an UnknownNameError). The edit becomes a key at the frame asked for, or at
// the current frame when the attribute is animated, else the attribute's own value; a key
// already at that frame keeps its interpolation, a new one is linear.
#include <QString>
#include <optional>

#include "SessionTypes.h"

class AT_Attr;
class CO_Command;
class MO_Module;

class AttributeEdit {
public:
  AttributeEdit() = delete;

  // The attribute at the path; UnknownNameError when the node has none.
  static AT_Attr* find(const MO_Module* node, const QString& keyword);
  static AttributeInfo describe(const AT_Attr* attr, double frame);
  // The edit, not run yet (the caller owns it).
  static CO_Command* createSetCommand(MO_Module* node, const QString& keyword, const QString& text,
                                      std::optional<double> keyFrame, double currentFrame);
};
