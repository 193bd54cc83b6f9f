#pragma once
// What the two- and three-points nodes do alike around their arithmetic: the frame they read
// attributes and key their pivot caches at, and the distances from a click to the cached pivots.
#include <array>

#include "Core/Constraint_TemplateModule.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostMath.h"
#include "HostInterface/HostScene.h"
#include "HostInterface/HostViews.h"
#include "PointConstraints/PivotCache.h"

namespace PointConstraintCommon {

// The frame at which the point nodes read their attributes and key their pivot caches: the
// context's frame rounded to single precision.
inline double attributeFrame(const MO_BaseContext& ctx) { return static_cast<float>(ctx.frame()); }

// The nodes on the first N inputs (null where none), kept until the next edit: linking and
// unlinking are edits, so a frame reads them once instead of walking each port again.
template <std::size_t N> using InputCache = MO_UntilEdit<std::array<MO_Module*, N>>;

template <std::size_t N>
const std::array<MO_Module*, N>& inputModules(const InputCache<N>& cache, const MO_Module& node) {
  return cache.get([&] {
    std::array<MO_Module*, N> inputs;
    for (std::size_t i = 0; i < N; ++i)
      inputs[i] = node.inputModule(static_cast<int>(i));
    return inputs;
  });
}

// The input nodes' pivots in drawing units, kept until the next edit: pivots are not animated
// (a peg holds its PIVOT at every frame), so only an edit or another input can move them.
template <std::size_t N> using RestPivotCache = MO_UntilEdit<std::array<Math::Point3d, N>, std::array<MO_Module*, N>>;

template <std::size_t N>
const std::array<Math::Point3d, N>& restPivots(RestPivotCache<N>& cache, const MO_BaseContext& ctx,
                                               const SC_SceneMetrics& metrics,
                                               const std::array<MO_Module*, N>& inputs) {
  return cache.get(
      [&] {
        std::array<Math::Point3d, N> rest;
        for (std::size_t i = 0; i < N; ++i)
          rest[i] = metrics.toOGL(modulePivot(ctx, inputs[i]));
        return rest;
      },
      inputs);
}

// Distances in the view from a click to each cached pivot of the frame the host shows, the
// pivots carried through the click's camera chain with no model matrix. False when that frame
// has no entry.
template <std::size_t N>
bool clickDistances(const MO_MainPortModuleVisitor& click, const Constraint_TemplateModule& node,
                    const PivotCache<N>& cache, std::array<double, N>& distances);

// --------------------------------------------------------------------------------------------

template <std::size_t N>
bool clickDistances(const MO_MainPortModuleVisitor& click, const Constraint_TemplateModule& node,
                    const PivotCache<N>& cache, std::array<double, N>& distances) {
  Math::CameraTransformChain chain = click.cameraTransformChain();
  chain.setModelMatrix(Math::Matrix4x4());
  const typename PivotCache<N>::Points* pivots = cache.find(node.currentSceneFrame());
  if (!pivots)
    return false;
  for (std::size_t i = 0; i < N; ++i) {
    const Math::Point3d inView = transformToViewFrame((*pivots)[i], chain);
    distances[i] = Math::Point2d::GetDistance(click.viewPoint(), Math::Point2d(inView.x, inView.y));
  }
  return true;
}

} // namespace PointConstraintCommon
