#pragma once
// The options of the three-points constraint; its transform type keeps keywords of its
// own (ALLOW, LOCAL), which its files carry.
// Values, keywords and display texts are part of the scene file format.
#include "Core/AT_EnumAttr.h"

namespace PointConstraint3 {

enum class Flatten_e { FLATTEN = 0, ALLOW = 1, PROJECT = 2 };

class FlattenType : public AT_EnumAttr<Flatten_e> {
public:
  FlattenType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, Flatten_e::ALLOW) {}
  QString className() const override { return QStringLiteral("PointConstraint3::FlattenType"); }
  void fillEnumValues() override;
};

enum class Transform_e { TRANSLATE = 0, ALLOW = 1, LOCAL = 2 };

class TransformType : public AT_EnumAttr<Transform_e> {
public:
  TransformType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, Transform_e::TRANSLATE) {}
  QString className() const override { return QStringLiteral("PointConstraint3::TransformType"); }
  void fillEnumValues() override;
};

enum class PrimaryPort_e { RIGHT = 1, MIDDLE = 2, LEFT = 3, TOPMOST = 4, BOTTOMMOST = 5 };

class PrimaryPortType : public AT_EnumAttr<PrimaryPort_e> {
public:
  PrimaryPortType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, PrimaryPort_e::RIGHT) {}
  QString className() const override { return QStringLiteral("PointConstraint3::PrimaryPortType"); }
  void fillEnumValues() override;
};

} // namespace PointConstraint3
