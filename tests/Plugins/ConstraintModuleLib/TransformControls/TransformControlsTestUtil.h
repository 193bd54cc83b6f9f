#pragma once
// Shared by the transform-control tests: pegs built from their parts, with their matrices
// worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "Common/HandMatrices.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostMath.h"
#include "HostInterface/HostScene.h"
#include "SceneCore/Peg.h"

namespace tctest {

using namespace hand;

// A peg's own parts (scene units, degrees) and its matrix worked out by hand with the default
// 1/12 scene metrics: T(position / 12) · Rz · Ry · Rx · K(skew) · S.
struct PegParts {
  Math::Vector3d position{0, 0, 0};
  Math::Vector3d rotation{0, 0, 0};
  Math::Vector3d scale{1, 1, 1};
  double skew = 0.0;

  Math::Matrix4x4 matrix() const {
    return T(position.x / 12, position.y / 12, position.z / 12) * Rz(rotation.z) * Ry(rotation.y) * Rx(rotation.x) *
           K(skew) * S(scale.x, scale.y, scale.z);
  }
};

inline Peg* addPeg(SC_SceneCommon& scene, const PegParts& p, MO_Module* parent = nullptr) {
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  peg->position()->x()->setLocalValue(p.position.x);
  peg->position()->y()->setLocalValue(p.position.y);
  peg->position()->z()->setLocalValue(p.position.z);
  peg->rotation()->angleX()->setLocalValue(p.rotation.x);
  peg->rotation()->angleY()->setLocalValue(p.rotation.y);
  peg->rotation()->angleZ()->setLocalValue(p.rotation.z);
  peg->scale()->x()->setLocalValue(p.scale.x);
  peg->scale()->y()->setLocalValue(p.scale.y);
  peg->scale()->z()->setLocalValue(p.scale.z);
  peg->skew()->setLocalValue(p.skew);
  if (parent) {
    EXPECT_TRUE(peg->link(0, parent, 0));
  }
  return peg;
}

} // namespace tctest
