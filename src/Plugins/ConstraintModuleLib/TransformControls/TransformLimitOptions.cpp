#include "TransformControls/TransformLimitOptions.h"

namespace TransformLimit {

void FlattenType::fillEnumValues() {
  const char* context = "TransformLimit::FlattenType";
  addEnumValue(Flatten_e::ALLOW, "ALLOW", context, "Allow 3D Translate");
  addEnumValue(Flatten_e::PROJECT3D, "PROJECT3D", context, "Project 3D Translate to Plane");
  addEnumValue(Flatten_e::PROJECT3DSCALE, "PROJECT3DSCALE", context, "Project and Scale 3D Translate to Plane");
}

void FlipAxisType::fillEnumValues() {
  const char* context = "TransformLimit::FlipAxisType";
  addEnumValue(FlipAxisType_e::FLIPX, "FLIPX", context, "Allow Flip on X-Axis");
  addEnumValue(FlipAxisType_e::FLIPY, "FLIPY", context, "Allow Flip on Y-Axis");
  addEnumValue(FlipAxisType_e::MINIMIZED, "MINIMIZED", context, "Determine Minimized Flip-Axis");
}

void SkewType::fillEnumValues() {
  const char* context = "TransformLimit::SkewType";
  addEnumValue(SkewType_e::SKEWAIM, "SKEWAIM", context, "Skew Applied as Rotation");
  addEnumValue(SkewType_e::SKEWIGNORE, "SKEWIGNORE", context, "Skew Ignored in Rotation");
  addEnumValue(SkewType_e::SKEWOPTIMIZE, "SKEWOPTIMIZE", context, "Skew Optimized for Rotation");
}

void SwitchType::fillEnumValues() {
  const char* context = "TransformLimit::SwitchType";
  addEnumValue(SwitchType_e::ACTIVE, "ACTIVE", context, "Active Value");
  addEnumValue(SwitchType_e::TRANSLATE, "TRANSLATE", context, "XYZ Translation");
  addEnumValue(SwitchType_e::SCALE, "SCALE", context, "Scale");
  addEnumValue(SwitchType_e::ROTATION, "ROTATION", context, "Rotation");
  addEnumValue(SwitchType_e::SKEW, "SKEW", context, "Skew");
  addEnumValue(SwitchType_e::SCALESKEW, "SCALESKEW", context, "Scale/Skew");
}

} // namespace TransformLimit
