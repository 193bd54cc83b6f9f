#include "Core/ConstraintPipeline.h"

namespace ConstraintPipeline {

MO_PortTransform* cachedTransformation(MO_Module& node, const MO_BaseContext& ctx, bool& found, unsigned outPort) {
  found = false;
  try {
    MO_Port* port = node.outPort(static_cast<int>(outPort));
    if (!port)
      return nullptr;
    MO_PortTransform* stored = port->transform(ctx.frameKey());
    if (!stored || stored->transformation().isEmpty())
      return nullptr;
    found = true;
    return stored;
  } catch (...) {
    found = false;
    return nullptr;
  }
}

MO_PortTransform* appending(MO_Module& node, const MO_BaseContext& ctx, bool useCache,
                            const std::function<Math::Matrix4x4(const Math::Matrix4x4&)>& post) {
  if (useCache) {
    bool found = false;
    if (MO_PortTransform* stored = cachedTransformation(node, ctx, found, 0); found)
      return stored;
  }
  MO_PortTransform* result = node.MO_Module::computeTransformation(ctx);
  if (!result || !node.enabled())
    return result;
  CC_Transformation copy = result->transformation();
  copy.add(post(copy.matrix(true)));
  result->setTransformation(copy, result->depth(), true);
  return result;
}

} // namespace ConstraintPipeline
