#include "PointConstraints/PointConstraint2Options.h"

namespace PointConstraint2 {

void FlattenType::fillEnumValues() {
  const char* context = "PointConstraint2::FlattenType";
  addEnumValue(Flatten_e::ALLOW, "ALLOW", context, "Allow 3D Transform");
  addEnumValue(Flatten_e::FLATTEN, "FLATTEN", context, "Ignore 3D Transform");
  addEnumValue(Flatten_e::PROJECT, "PROJECT", context, "Project to Plane");
}

void TransformType::fillEnumValues() {
  const char* context = "PointConstraint2::TransformType";
  addEnumValue(Transform_e::TRANSLATE, "TRANSLATE", context, "Translate");
  addEnumValue(Transform_e::TRANSFORM, "TRANSFORM", context, "Transform");
  addEnumValue(Transform_e::LOCALTRANSFORM, "LOCALTRANSFORM", context, "Local Transform");
}

void PrimaryPortType::fillEnumValues() {
  const char* context = "PointConstraint2::PrimaryPortType";
  addEnumValue(PrimaryPort_e::RIGHT, "RIGHT", context, "Right");
  addEnumValue(PrimaryPort_e::LEFT, "LEFT", context, "Left");
  addEnumValue(PrimaryPort_e::TOPMOST, "TOPMOST", context, "Top-Most");
  addEnumValue(PrimaryPort_e::BOTTOMMOST, "BOTTOMMOST", context, "Bottom-Most");
}

} // namespace PointConstraint2
