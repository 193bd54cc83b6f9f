#pragma once
// The transformation pipeline shared by both constraint bases. The host's default result (the
// transformation passed down from the main input) is taken, and unless the node is disabled,
// either something is appended to it (the base form, which first serves a stored result) or it
// is replaced by the node's own computation (the computing form, which always computes and
// keeps the incoming transformation when the computation declines).
#include <functional>
#include <optional>

#include "HostInterface/HostScene.h"

namespace ConstraintPipeline {

// The transformation stored on an output port for the frame, when there is a non-empty one.
MO_PortTransform* cachedTransformation(MO_Module& node, const MO_BaseContext& ctx, bool& found, unsigned outPort);

// Appends post(composed incoming matrix); serves a stored result first when `useCache`.
MO_PortTransform* appending(MO_Module& node, const MO_BaseContext& ctx, bool useCache,
                            const std::function<Math::Matrix4x4(const Math::Matrix4x4&)>& post);

// Replaces the transformation by compute(composed incoming matrix) when that gives a matrix.
MO_PortTransform* computing(MO_Module& node, const MO_BaseContext& ctx,
                            const std::function<std::optional<Math::Matrix4x4>(const Math::Matrix4x4& in)>& compute);

} // namespace ConstraintPipeline
