#pragma once
// The options of the two-points constraint: how 3-D input is flattened, which
// transformation is applied and which input is primary.
// Values, keywords and display texts are part of the scene file format.
#include "Core/AT_EnumAttr.h"

namespace PointConstraint2 {

enum class Flatten_e { FLATTEN = 0, ALLOW = 1, PROJECT = 2 };

class FlattenType : public AT_EnumAttr<Flatten_e> {
public:
  FlattenType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, Flatten_e::ALLOW) {}
  QString className() const override { return QStringLiteral("PointConstraint2::FlattenType"); }
  void fillEnumValues() override;
};

enum class Transform_e { TRANSLATE = 0, TRANSFORM = 1, LOCALTRANSFORM = 2 };

class TransformType : public AT_EnumAttr<Transform_e> {
public:
  TransformType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, Transform_e::TRANSLATE) {}
  QString className() const override { return QStringLiteral("PointConstraint2::TransformType"); }
  void fillEnumValues() override;
};

enum class PrimaryPort_e { RIGHT = 1, LEFT = 2, TOPMOST = 3, BOTTOMMOST = 4 };

class PrimaryPortType : public AT_EnumAttr<PrimaryPort_e> {
public:
  PrimaryPortType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, PrimaryPort_e::RIGHT) {}
  QString className() const override { return QStringLiteral("PointConstraint2::PrimaryPortType"); }
  void fillEnumValues() override;
};

} // namespace PointConstraint2
