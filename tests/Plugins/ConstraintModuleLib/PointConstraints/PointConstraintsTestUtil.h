#pragma once
// Shared by the point-constraint node tests: pegs turned about their pivots, a node linked to
// them, and a face-on view in which drawing units map to pixels exactly.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Common/HandMatrices.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostScene.h"
#include "HostInterface/HostViews.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace pctest {

using namespace hand;

// Metrics of one half per axis: scene units are twice drawing units, exactly.
inline void useHalfMetrics(SC_SceneCommon& scene) { scene.setMetrics(SC_SceneMetrics(0.5, 0.5, 0.5)); }

// A peg turned by `angle` degrees about z around its pivot and moved by `position` (scene units).
inline Peg* addPeg(SC_SceneCommon& scene, const Math::Point3d& pivot, double angle = 0,
                   const Math::Vector3d& position = {}) {
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  peg->pivotAttr()->x()->setLocalValue(pivot.x);
  peg->pivotAttr()->y()->setLocalValue(pivot.y);
  peg->pivotAttr()->z()->setLocalValue(pivot.z);
  peg->rotation()->angleZ()->setLocalValue(angle);
  peg->position()->x()->setLocalValue(position.x);
  peg->position()->y()->setLocalValue(position.y);
  peg->position()->z()->setLocalValue(position.z);
  return peg;
}

template <class Node> Node* addNode(SC_SceneCommon& scene, const std::vector<MO_Module*>& inputs) {
  auto* node = static_cast<Node*>(scene.addNode(std::make_unique<Node>()));
  for (std::size_t i = 0; i < inputs.size(); ++i)
    if (inputs[i]) {
      EXPECT_TRUE(node->link(static_cast<int>(i), inputs[i], 0));
    }
  return node;
}

inline Math::Matrix4x4 evaluate(SC_SceneCommon& scene, MO_Module* node, double frame = 1) {
  return SC_SceneEvaluator(scene).evaluate(node, frame);
}

// Orthographic, face-on, 200 × 100 pixels: drawing unit (x, y) is pixel (100 + 50x, 50 − 50y).
inline Math::CameraTransformChain faceOnView() {
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(0, 0, 200, 100));
  chain.setProjectionMatrix(S(0.5, 1, -0.01));
  return chain;
}

} // namespace pctest
