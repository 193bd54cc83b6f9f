#pragma once
// The multi-points constraint's flatten option (it has no "ignore 3D" value).
// Values, keywords and display texts are part of the scene file format.
#include "Core/AT_EnumAttr.h"

namespace PointConstraintMulti {

enum class Flatten_e { ALLOW = 1, PROJECT = 2 };

class FlattenType : public AT_EnumAttr<Flatten_e> {
public:
  FlattenType(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttr(owner, meta, Flatten_e::ALLOW) {}
  QString className() const override { return QStringLiteral("PointConstraintMulti::FlattenType"); }
  void fillEnumValues() override;
};

} // namespace PointConstraintMulti
