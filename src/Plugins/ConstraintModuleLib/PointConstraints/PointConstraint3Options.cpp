#include "PointConstraints/PointConstraint3Options.h"

namespace PointConstraint3 {

void FlattenType::fillEnumValues() {
  const char* context = "PointConstraint3::FlattenType";
  addEnumValue(Flatten_e::ALLOW, "ALLOW", context, "Allow 3D Transform");
  addEnumValue(Flatten_e::FLATTEN, "FLATTEN", context, "Ignore 3D Transform");
  addEnumValue(Flatten_e::PROJECT, "PROJECT", context, "Project to Plane");
}

void TransformType::fillEnumValues() {
  const char* context = "PointConstraint3::TransformType";
  addEnumValue(Transform_e::TRANSLATE, "TRANSLATE", context, "Translate");
  addEnumValue(Transform_e::ALLOW, "ALLOW", context, "Transform");
  addEnumValue(Transform_e::LOCAL, "LOCAL", context, "Local Transform");
}

void PrimaryPortType::fillEnumValues() {
  const char* context = "PointConstraint3::PrimaryPortType";
  addEnumValue(PrimaryPort_e::RIGHT, "RIGHT", context, "Right");
  addEnumValue(PrimaryPort_e::MIDDLE, "MIDDLE", context, "Middle");
  addEnumValue(PrimaryPort_e::LEFT, "LEFT", context, "Left");
  addEnumValue(PrimaryPort_e::TOPMOST, "TOPMOST", context, "Top-Most");
  addEnumValue(PrimaryPort_e::BOTTOMMOST, "BOTTOMMOST", context, "Bottom-Most");
}

} // namespace PointConstraint3
