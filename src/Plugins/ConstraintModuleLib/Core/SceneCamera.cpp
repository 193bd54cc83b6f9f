#include "Core/SceneCamera.h"

#include <algorithm>

#include "Core/Constraint_TemplateModule.h"

std::optional<CameraMatrices> lookUpSceneCamera(const Constraint_TemplateModule& node, const MO_BaseContext& ctx,
                                                bool& evaluating, SingularCamera singular) {
  if (evaluating || !node.owner() || !node.owner()->sceneCommon())
    return std::nullopt;
  struct Guard {
    bool& flag;
    explicit Guard(bool& f) : flag(f) { flag = true; }
    ~Guard() { flag = false; }
  };
  CameraMatrices camera;
  {
    const Guard guard(evaluating);
    camera.view = node.sceneCameraMatrix(ctx);
  }
  try {
    camera.view.inverse();
  } catch (...) {
    if (singular == SingularCamera::Identity)
      camera.view = Math::Matrix4x4();
  }
  camera.projection = node.scenePerspectiveMatrix();
  return camera;
}

std::int64_t withCameraStamp(std::int64_t inputs, const MO_Module& node, bool throughCamera,
                             const MO_Node::CacheCheck& check) {
  MO_Module* camera = throughCamera && node.sceneCommon() ? node.sceneCommon()->camera(false) : nullptr;
  if (!camera || camera == &node || camera->dependsOn(&node))
    return inputs;
  return std::max(inputs, check(camera));
}
