#pragma once
// Shared by the transform-control tests: matrices written out by hand in the stand-in's
// conventions (column order, chains multiplied on the right) and a table-friendly comparison.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostMath.h"
#include "HostInterface/HostScene.h"
#include "SceneCore/Peg.h"

namespace tctest {

inline Math::Matrix4x4 T(double x, double y, double z) { return Math::Matrix4x4().translate(x, y, z); }
inline Math::Matrix4x4 Rz(double degrees) {
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  return Math::Matrix4x4(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}
inline Math::Matrix4x4 Ry(double degrees) {
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  return Math::Matrix4x4(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
}
inline Math::Matrix4x4 Rx(double degrees) {
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  return Math::Matrix4x4(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
}
// The y axis leant towards x by the angle, keeping its length.
inline Math::Matrix4x4 K(double degrees) {
  const double a = degrees * M_PI / 180.0;
  return Math::Matrix4x4(1, 0, 0, 0, std::sin(a), std::cos(a), 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}
inline Math::Matrix4x4 S(double x, double y, double z) {
  return Math::Matrix4x4(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
}

inline ::testing::AssertionResult matrixNear(const Math::Matrix4x4& actual, const Math::Matrix4x4& expected,
                                             double tol) {
  for (int i = 0; i < 16; ++i)
    if (!(std::fabs(actual[i] - expected[i]) <= tol))
      return ::testing::AssertionFailure() << "value " << i << ": " << actual[i] << " expected " << expected[i]
                                           << " (tolerance " << tol << ")";
  return ::testing::AssertionSuccess();
}

// A peg's own parts (scene units, degrees) and its matrix worked out by hand with the default
// 1/12 scene metrics: T(position / 12) · Rz · Ry · Rx · K(skew) · S.
struct PegParts {
  Math::Vector3d position{0, 0, 0};
  Math::Vector3d rotation{0, 0, 0};
  Math::Vector3d scale{1, 1, 1};
  double skew = 0.0;

  Math::Matrix4x4 matrix() const {
    return T(position.x / 12, position.y / 12, position.z / 12) * Rz(rotation.z) * Ry(rotation.y) *
           Rx(rotation.x) * K(skew) * S(scale.x, scale.y, scale.z);
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
