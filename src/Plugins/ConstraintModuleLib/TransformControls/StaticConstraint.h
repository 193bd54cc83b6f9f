#pragma once
// Appends one fixed transformation, composed from its own translate (scene units), rotate
// (degrees), scale and skew (degrees) attributes, to what arrives at its input, optionally
// inverted; two buttons bake what arrives from upstream into those attributes as one
// undoable command. While "active" is false at a frame the input passes through; the matrix is
// composed from the attributes' local values (not their animation).
#include "Core/Constraint_Module.h"

class AT_BoolAttr;
class AT_DoubleAttr;
class AT_Position3dAttr;
class AT_PushButtonAttr;
class AT_Rotation3dAttr;
class AT_Scale3dAttr;
class CO_OrCommand;

class StaticConstraint : public Constraint_Module {
public:
  static const QString& typeName();

  StaticConstraint();
  ~StaticConstraint() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Static-Transformation"); }

  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;
  // A button press bakes (one undoable command); any editor change refreshes the matrix.
  void attributeChangedByEditor(const QString& keyword) override;

  // Recomposes the matrix from the attributes' local values (the identity without a scene).
  void updateMatrix();
  // The matrix for these parts, kept until the parts or the inversion flag change.
  Math::Matrix4x4 composeMatrix(const Math::Vector3d& translation, const Math::Vector3d& scale,
                                const Math::Vector3d& angles, const Math::Vector3d& skews, bool inverted);
  // Adds to `macro` the edits that bake what arrives at the input at `frame` (only the
  // immediate parent's own part when `immediateOnly` and the parent has an input itself).
  void bakeTransformation(CO_OrCommand* macro, double frame, bool immediateOnly);

  const Math::Matrix4x4& staticMatrix() const { return m_staticMatrix; }
  // How often the matrix was really recomposed (the cache is skipped when nothing changed).
  int compositions() const { return m_compositions; }

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

  Math::Matrix4x4 m_staticMatrix;
  double m_cache[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  bool m_cacheInverted = false;
  int m_compositions = 0;
};
