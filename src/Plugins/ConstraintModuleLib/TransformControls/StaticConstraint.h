#pragma once
// Appends one fixed transformation, composed from its own translate (scene units), rotate
// (degrees), scale and skew (degrees) attributes, to what arrives at its input, optionally
// inverted; two buttons bake what arrives from upstream into those attributes as one
// undoable command. Until that is built the node passes its input through.
#include "Core/Constraint_Module.h"

class AT_BoolAttr;
class AT_DoubleAttr;
class AT_Position3dAttr;
class AT_PushButtonAttr;
class AT_Rotation3dAttr;
class AT_Scale3dAttr;

class StaticConstraint : public Constraint_Module {
public:
  static const QString& typeName();

  StaticConstraint();
  ~StaticConstraint() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Static-Transformation"); }

  AT_BoolAttr* activeAttr() const { return m_active; }
  AT_BoolAttr* invertedAttr() const { return m_inverted; }
  AT_Position3dAttr* translateAttr() const { return m_translate; }
  AT_Rotation3dAttr* rotateAttr() const { return m_rotate; }
  AT_Scale3dAttr* scaleAttr() const { return m_scale; }
  AT_DoubleAttr* skewXAttr() const { return m_skewX; }
  AT_DoubleAttr* skewYAttr() const { return m_skewY; }
  AT_DoubleAttr* skewZAttr() const { return m_skewZ; }
  AT_PushButtonAttr* bakeImmediateAttr() const { return m_bake; }
  AT_PushButtonAttr* bakeAllAttr() const { return m_bakeAll; }

private:
  AT_BoolAttr* m_active;
  AT_BoolAttr* m_inverted;
  AT_Position3dAttr* m_translate;
  AT_Rotation3dAttr* m_rotate;
  AT_Scale3dAttr* m_scale;
  AT_DoubleAttr* m_skewX;
  AT_DoubleAttr* m_skewY;
  AT_DoubleAttr* m_skewZ;
  AT_PushButtonAttr* m_bake;
  AT_PushButtonAttr* m_bakeAll;
};
