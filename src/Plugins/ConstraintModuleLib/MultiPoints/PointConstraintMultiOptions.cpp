#include "MultiPoints/PointConstraintMultiOptions.h"

namespace PointConstraintMulti {

void FlattenType::fillEnumValues() {
  const char* context = "PointConstraintMulti::FlattenType";
  addEnumValue(Flatten_e::ALLOW, "ALLOW", context, "Allow 3D Transform");
  addEnumValue(Flatten_e::PROJECT, "PROJECT", context, "Project to Plane");
}

} // namespace PointConstraintMulti
