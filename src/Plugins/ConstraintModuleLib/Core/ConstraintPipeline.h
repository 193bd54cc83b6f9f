#pragma once
// The transformation pipeline shared by both constraint bases. The host's default result (the
// transformation passed down from the main input) is taken, and unless the node is disabled,
// either something is appended to it (the base form, which first serves a stored result) or it
// is replaced by the node's own computation (the computing form, which always computes and
// keeps the incoming transformation when the computation declines).
#include <functional>
#include <optional>
#include <type_traits>

#include "HostInterface/HostScene.h"

namespace ConstraintPipeline {

// The transformation stored on an output port for the frame, when there is a non-empty one.
MO_PortTransform* cachedTransformation(MO_Module& node, const MO_BaseContext& ctx, bool& found, unsigned outPort);

// Appends post(composed incoming matrix); serves a stored result first when `useCache`.
MO_PortTransform* appending(MO_Module& node, const MO_BaseContext& ctx, bool useCache,
                            const std::function<Math::Matrix4x4(const Math::Matrix4x4&)>& post);

// Replaces the transformation by compute(composed incoming matrix) when that gives a matrix
// (an std::optional<Math::Matrix4x4>); a compute that also takes an int is given the default
// result's depth. The host's default result is stored first, so that anything the computation
// asks of this node at the frame finds what arrives at its main input.
template <class Compute>
MO_PortTransform* computing(MO_Module& node, const MO_BaseContext& ctx, const Compute& compute) {
  MO_PortTransform* result = node.MO_Module::computeTransformation(ctx);
  if (!result || !node.enabled())
    return result;
  const Math::Matrix4x4 arriving = result->transformation().matrix(true);
  const std::optional<Math::Matrix4x4> out = [&] {
    if constexpr (std::is_invocable_v<const Compute&, const Math::Matrix4x4&, int>)
      return compute(arriving, result->depth());
    else
      return compute(arriving);
  }();
  if (out)
    result->setTransformation(CC_Transformation(*out), result->depth(), true);
  return result;
}

} // namespace ConstraintPipeline
