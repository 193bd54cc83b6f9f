// The peg's matrix checked against one built by hand with explicit trigonometry:
// T(position) · T(pivot) · Rz · Ry · Rx · K(skew) · S(scale) · T(−pivot), positions scaled by the
// scene metrics, composed under the parent's matrix.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "Common/HandMatrices.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/AT_SimpleAttrSurrogate.h"
#include "SceneCore/Peg.h"
#include "SceneCore/PegTransform.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

using namespace hand;

struct PegCase {
  const char* name;
  std::array<double, 3> position, pivot, angles, scale;
  double skew;
};

struct Metrics {
  double x, y, z;
};

Math::Matrix4x4 expectedPeg(const PegCase& c, const Metrics& k) {
  const double px = c.pivot[0] * k.x, py = c.pivot[1] * k.y, pz = c.pivot[2] * k.z;
  return T(c.position[0] * k.x, c.position[1] * k.y, c.position[2] * k.z) * T(px, py, pz) * Rz(c.angles[2]) *
         Ry(c.angles[1]) * Rx(c.angles[0]) * K(c.skew) * S(c.scale[0], c.scale[1], c.scale[2]) * T(-px, -py, -pz);
}

void configure(Peg& peg, const PegCase& c) {
  for (int i = 0; i < 3; ++i) {
    peg.position()->part(i)->setLocalValue(c.position[static_cast<std::size_t>(i)]);
    peg.pivotAttr()->part(i)->setLocalValue(c.pivot[static_cast<std::size_t>(i)]);
    peg.rotation()->part(i)->setLocalValue(c.angles[static_cast<std::size_t>(i)]);
    peg.scale()->part(i)->setLocalValue(c.scale[static_cast<std::size_t>(i)]);
  }
  peg.skew()->setLocalValue(c.skew);
}

const PegCase kCases[] = {
    {"rotatedAboutPivot", {0, 0, 0}, {2, 1, 0}, {0, 0, 30}, {1, 1, 1}, 0},
    {"skewedScaled", {0.5, 0, 0}, {1, 1, 0}, {0, 0, -60}, {2, 0.5, 3}, 25},
    {"everything", {6, -1, 12}, {3, -2, 1}, {-35, 80, 95}, {0.25, -3, 1.5}, 44},
};

class PegMatrix : public ::testing::TestWithParam<PegCase> {};

TEST_P(PegMatrix, MatchesTheHandBuiltFormulaWithNonDefaultMetrics) {
  SC_SceneCommon scene;
  scene.setMetrics(SC_SceneMetrics(0.0625, 0.125, 0.05));
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  configure(*peg, GetParam());
  EXPECT_TRUE(matrixNear(SC_SceneEvaluator(scene).evaluate(peg, 1), expectedPeg(GetParam(), {0.0625, 0.125, 0.05}),
                         1e-12, true));
}

TEST_P(PegMatrix, ComposesUnderItsParent) {
  SC_SceneCommon scene;
  auto* parent = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  auto* child = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  const PegCase parentCase{"parent", {2, 1, 0}, {1, 0, 0}, {0, 20, 45}, {1.5, 0.5, 1}, 12};
  configure(*parent, parentCase);
  configure(*child, GetParam());
  ASSERT_TRUE(child->link(0, parent, 0));
  const Metrics k{1.0 / 12, 1.0 / 12, 1.0 / 12};
  EXPECT_TRUE(matrixNear(SC_SceneEvaluator(scene).evaluate(child, 1),
                         expectedPeg(parentCase, k) * expectedPeg(GetParam(), k), 1e-12, true));
}

INSTANTIATE_TEST_SUITE_P(Pegs, PegMatrix, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PegCase>& p) { return std::string(p.param.name); });

// A peg reads its numbers gathered in one place, made again after each edit: after every kind of
// change between frames (a value, keys added, moved and removed, a surrogate attached, moved
// and taken away) its matrix is still the formula's for what the attributes say at that frame.
TEST(PegMatrixAfterEdits, FollowsEveryChangeBetweenFrames) {
  SC_SceneCommon scene;
  auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  PegCase c{"edited", {1, 2, 0}, {0.5, 0, 0}, {10, 20, 30}, {1, 2, 1}, 5};
  configure(*peg, c);
  SC_SceneEvaluator eval(scene);
  const Metrics k{1.0 / 12, 1.0 / 12, 1.0 / 12};
  auto check = [&](double frame, const PegCase& expected, const char* step) {
    EXPECT_TRUE(matrixNear(eval.evaluate(peg, frame), expectedPeg(expected, k), 1e-12, true)) << step;
  };
  check(1, c, "as configured");
  peg->skew()->setLocalValue(-15);
  c.skew = -15;
  check(2, c, "a value");
  AT_Keys* keys = peg->rotation()->angleZ()->keys();
  keys->setKey(1, 0.0);
  keys->setKey(11, 100.0);
  peg->rotation()->angleZ()->changed();
  c.angles[2] = 50.0;
  check(6, c, "keys added");
  keys->setKey(11, 200.0);
  peg->rotation()->angleZ()->changed();
  c.angles[2] = 100.0;
  check(6, c, "a key moved");
  keys->clear();
  peg->rotation()->angleZ()->changed();
  c.angles[2] = 30.0;
  check(6, c, "keys removed");
  auto surrogate = std::make_shared<AT_ScalarSimpleAttrSurrogate>(4.0);
  peg->position()->x()->setSurrogate(surrogate);
  c.position[0] = 4.0;
  check(7, c, "a surrogate attached");
  surrogate->setValue(-3.0);
  c.position[0] = -3.0;
  check(7, c, "a surrogate moved");
  peg->position()->x()->setSurrogate(nullptr);
  c.position[0] = 1.0;
  check(7, c, "a surrogate taken away");
}

// A peg keeps the stretch of keys each number is in, the turns of its angles and its matrix
// from one frame to the next. Checked against the slow way (every attribute's value at the
// frame, the eight full products) bit for bit, signed zeros included, on random pegs with
// linear, constant and smooth keys, values held to the hard range, negative zeros, a number a
// surrogate stands in for, frames asked forward, backward, twice and at random, and the scene's
// metrics changed between two frames.
Math::Matrix4x4 slowPeg(const Peg& peg, double frame, const SC_SceneMetrics& k) {
  const auto v = [frame](const AT_DoubleAttr* a) { return a->value(frame); };
  PegTransform t;
  t.position = k.toOGL(Math::Point3d(v(peg.position()->x()), v(peg.position()->y()), v(peg.position()->z())));
  const AT_Position3dAttr* pivot = peg.pivotAttr();
  t.pivot = k.toOGL(Math::Point3d(v(pivot->x()), v(pivot->y()), v(pivot->z())));
  t.angles = Math::Vector3d(v(peg.rotation()->part(0)), v(peg.rotation()->part(1)), v(peg.rotation()->part(2)));
  t.skew = v(peg.skew());
  t.scale = Math::Vector3d(v(peg.scale()->part(0)), v(peg.scale()->part(1)), v(peg.scale()->part(2)));
  return t.matrixByProducts();
}

TEST(PegMatrixAcrossFrames, GivesTheSlowWaysNumbersBitForBitInEveryOrder) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::uniform_int_distribution<int> pick(0, 9);
  SC_SceneCommon scene;
  std::vector<Peg*> pegs;
  std::vector<std::shared_ptr<AT_ScalarSimpleAttrSurrogate>> surrogates;
  for (int n = 0; n < 40; ++n) {
    auto* peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
    AT_DoubleAttr* keyable[] = {
        peg->position()->x(),     peg->position()->y(),     peg->position()->z(), peg->rotation()->part(0),
        peg->rotation()->part(1), peg->rotation()->part(2), peg->skew(),          peg->scale()->part(0),
        peg->scale()->part(1),    peg->scale()->part(2)};
    for (AT_DoubleAttr* a : keyable) {
      const int kind = pick(rng);
      if (kind < 2) {
        a->setLocalValue(kind == 0 ? -0.0 : u(rng) * 200);
        continue;
      }
      // Keys between frames 3 and 40, some at zero or negative zero, some with a smooth swing
      // past the hard range (1e10) or a linear run to its very edge; and keys set as a whole,
      // which are not held to the range (up to 3e10 either side), a linear run between them
      // crossing it.
      if (kind == 9) {
        AT_Keys keys;
        for (int key = 0; key < 3; ++key)
          keys.setKey(3 + 37 * std::fabs(u(rng)), u(rng) * 3e10, key == 2 ? AT_Keys::Constant : AT_Keys::Linear);
        a->setKeys(keys);
        continue;
      }
      for (int key = 0; key < 1 + kind % 4; ++key) {
        const double value = kind == 5 ? 1e10 * (key % 2) : pick(rng) == 0 ? -0.0 : u(rng) * 200;
        const auto interpolation = static_cast<AT_Keys::Interpolation>((kind + key) % 3);
        a->setKey(3 + 37 * std::fabs(u(rng)), value, interpolation);
      }
    }
    peg->pivotAttr()->x()->setLocalValue(u(rng) * 3);
    peg->pivotAttr()->z()->setLocalValue(-0.0);
    if (n % 5 == 0) {
      surrogates.push_back(std::make_shared<AT_ScalarSimpleAttrSurrogate>(u(rng) * 90));
      peg->rotation()->part(1)->setSurrogate(surrogates.back());
    }
    pegs.push_back(peg);
  }
  std::vector<double> frames;
  for (double f = 0; f <= 44; f += 0.5)
    frames.push_back(f);
  for (double f = 44; f >= 0; f -= 1.5)
    frames.insert(frames.end(), {f, f});
  for (int i = 0; i < 200; ++i)
    frames.push_back(std::round(std::fabs(u(rng)) * 90) / 2);
  const SC_SceneMetrics metrics[] = {SC_SceneMetrics(), SC_SceneMetrics(0.0625, 0.125, -0.05)};
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const SC_SceneMetrics& k = metrics[i * 3 / frames.size() % 2];
    scene.setMetrics(k);
    if (i % 7 == 0)
      for (auto& s : surrogates)
        s->setValue(i % 2 ? -0.0 : u(rng) * 90);
    for (std::size_t n = 0; n < pegs.size(); ++n) {
      const Math::Matrix4x4 fast = pegs[n]->localMatrix(frames[i]), slow = slowPeg(*pegs[n], frames[i], k);
      ASSERT_EQ(std::memcmp(fast.values(), slow.values(), sizeof(double) * 16), 0)
          << "peg " << n << " frame " << frames[i] << " (step " << i << ")";
      ASSERT_EQ(fast.isIdentity(), slow.isIdentity());
    }
  }
}

} // namespace
