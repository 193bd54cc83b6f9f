#pragma once
// What the two- and three-points nodes do alike around their arithmetic: reading a peg's parent
// matrix, the scene camera for projecting pivots onto the primary peg's plane (never from
// inside the camera's own evaluation), the distances from a click to the cached pivots, and
// the pieces of their controls (drawn in scene space, pick colours of the pegs upstream).
#include <array>

#include "Core/Constraint_TemplateModule.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostMath.h"
#include "HostInterface/HostScene.h"
#include "HostInterface/HostViews.h"
#include "PointConstraints/PivotCache.h"

namespace PointConstraintCommon {

// A node on an input counts as selected when it, or anything feeding it, is.
bool inputSelected(const MO_Module* input);

// The matrix arriving at input `port` of another node, as that node's portMatrix gives it
// (guarded against zero scale; the identity when nothing is linked there).
Math::Matrix4x4 inputMatrixOf(const MO_BaseContext& ctx, MO_Module* node, int port);

// The scene camera's view matrix (its transformation inverted, the identity when that cannot
// be inverted) and perspective at the frame. False without a scene, or while `evaluating` is
// set: the camera is being evaluated for this very node, which must not ask again.
bool sceneCamera(const Constraint_TemplateModule& node, const MO_BaseContext& ctx, bool& evaluating,
                 Math::Matrix4x4& view, Math::Matrix4x4& perspective);

// Under PROJECT the scene camera is an input of a point node's result: the larger of the inputs'
// stamp and the camera's (the inputs' alone without projection or without a camera).
std::int64_t withCameraStamp(std::int64_t inputs, const MO_Node& node, bool projecting,
                             const MO_Node::CacheCheck& check);

// Sets the colours a control's shapes are drawn with: point stroke and line alike, point fill.
void setColours(VU_Painter& painter, const VS_RGBA& strokeAndLine, const VS_RGBA& fill);

// The colour a peg on an input is picked by: its own pick adaptor's or the first one up its
// main inputs. False when there is none.
bool pickColour(MO_Module* input, const MO_FrameKey& key, VS_RGBA& colour);

// Distances in the view from a click to each cached pivot of the frame the host shows, the
// pivots carried through the click's camera chain with no model matrix. False when that frame
// has no entry.
template <std::size_t N>
bool clickDistances(const MO_MainPortModuleVisitor& click, const Constraint_TemplateModule& node,
                    const PivotCache<N>& cache, std::array<double, N>& distances);

// The control's pivots are scene positions: while this lives, the view's painter draws with no
// model matrix, whatever space the view set up for the node; the view's own comes back after.
class SceneSpaceDrawing {
public:
  explicit SceneSpaceDrawing(const MO_OGLContext& ctx);
  ~SceneSpaceDrawing();
  SceneSpaceDrawing(const SceneSpaceDrawing&) = delete;
  SceneSpaceDrawing& operator=(const SceneSpaceDrawing&) = delete;

private:
  CC_CameraChainTransformCanvasBinder* m_binder;
  Math::Matrix4x4 m_saved;
};

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
