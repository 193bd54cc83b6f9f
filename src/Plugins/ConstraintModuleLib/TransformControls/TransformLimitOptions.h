#pragma once
// The options of the transformation limit: how 3-D translation reaches the plane, the
// flip axis, how skew enters rotation and what a switch affects.
// Values, keywords and display texts are part of the scene file format.
#include "Core/AT_EnumAttr.h"

namespace TransformLimit {

enum class Flatten_e { ALLOW = 0, PROJECT3D = 1, PROJECT3DSCALE = 2 };

class FlattenType : public AT_EnumAttr<Flatten_e> {
public:
  FlattenType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, Flatten_e::ALLOW) {}
  QString className() const override { return QStringLiteral("TransformLimit::FlattenType"); }
  void fillEnumValues() override;
};

enum class FlipAxisType_e { FLIPX = 0, FLIPY = 1, MINIMIZED = 2 };

class FlipAxisType : public AT_EnumAttr<FlipAxisType_e> {
public:
  FlipAxisType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, FlipAxisType_e::FLIPX) {}
  QString className() const override { return QStringLiteral("TransformLimit::FlipAxisType"); }
  void fillEnumValues() override;
};

enum class SkewType_e { SKEWAIM = 0, SKEWIGNORE = 1, SKEWOPTIMIZE = 2 };

class SkewType : public AT_EnumAttr<SkewType_e> {
public:
  SkewType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, SkewType_e::SKEWOPTIMIZE) {}
  QString className() const override { return QStringLiteral("TransformLimit::SkewType"); }
  void fillEnumValues() override;
};

enum class SwitchType_e { ACTIVE = 0, TRANSLATE = 1, SCALE = 2, ROTATION = 3, SKEW = 4, SCALESKEW = 5 };

class SwitchType : public AT_EnumAttr<SwitchType_e> {
public:
  SwitchType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, SwitchType_e::ACTIVE) {}
  QString className() const override { return QStringLiteral("TransformLimit::SwitchType"); }
  void fillEnumValues() override;
};

} // namespace TransformLimit
