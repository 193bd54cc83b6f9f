#pragma once
// Shared by the point-constraint node tests: pegs turned about their pivots in a scene whose
// scene units are exactly twice drawing units, and a face-on view of drawing units in pixels.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "Common/HandMatrices.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace pctest {

using namespace hand;

// A peg turned by `angle` degrees about z around its pivot and raised by z (scene units).
inline Peg* addPeg(SC_SceneCommon& scene, const Math::Point3d& pivot, double angle = 0, double z = 0) {
  scene.setMetrics(SC_SceneMetrics(0.5, 0.5, 0.5));
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  peg->pivotAttr()->x()->setLocalValue(pivot.x);
  peg->pivotAttr()->y()->setLocalValue(pivot.y);
  peg->pivotAttr()->z()->setLocalValue(pivot.z);
  peg->rotation()->angleZ()->setLocalValue(angle);
  peg->position()->z()->setLocalValue(z);
  return peg;
}

inline Math::Matrix4x4 evaluate(SC_SceneCommon& scene, MO_Module* node) {
  return SC_SceneEvaluator(scene).evaluate(node, 1);
}

// Orthographic, face-on, 200 × 100 pixels: drawing unit (x, y) is pixel (100 + 50x, 50 − 50y).
inline Math::CameraTransformChain faceOnView() {
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(0, 0, 200, 100));
  chain.setProjectionMatrix(S(0.5, 1, -0.01));
  return chain;
}

// Frames a and b asked of one scene, in both orders, each give what a scene asked that frame
// alone gives: nothing kept from one frame may leak into the other. Rig has `scene` and `node`;
// build sets it up.
template <class Rig, class Build> void expectEachFrameAsIfAlone(const Build& build, double a, double b) {
  for (const std::array<double, 2>& order : {std::array<double, 2>{a, b}, std::array<double, 2>{b, a}}) {
    Rig played;
    build(played);
    SC_SceneEvaluator evaluator(played.scene);
    std::array<Math::Matrix4x4, 2> got;
    for (std::size_t i = 0; i < 2; ++i)
      got[i] = evaluator.evaluate(played.node, order[i]);
    for (std::size_t i = 0; i < 2; ++i) {
      Rig fresh;
      build(fresh);
      EXPECT_TRUE(matrixNear(got[i], SC_SceneEvaluator(fresh.scene).evaluate(fresh.node, order[i]), 0))
          << "frame " << order[i] << " after frame " << order[1 - i];
    }
  }
}

} // namespace pctest
