// The limit node in a scene, for what random scenes rarely show alone: percentages outside
// 0..100 held to the range, a switch that scales the activity rather than replacing it, and the
// rule that settles both axes mirrored past a quarter turn as a half turn more. Expected matrices
// are worked out by hand from the node's written rules (and agree with the reference check's own
// computation of the same scenes).
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/Switch.h"
#include "TransformControls/TransformLimitModule.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;

using Sw = TransformLimit::SwitchType_e;

struct Row {
  const char* name;
  PegParts input;                         // the peg on the main input, pivot at the origin
  std::map<std::string, double> percents; // the limit's percentage attributes that differ
  Math::Matrix4x4 expected;
  double switchActive = -1; // a switch on the Switch port; negative: none
  Sw switchType = Sw::ACTIVE;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

class TransformLimitTest : public ::testing::TestWithParam<Row> {};

// A turn of 60° at (12, 24) scene units, which the default metrics put at (1, 2); the control
// stays at the origin of what arrives, so the kept translation is the input's own.
const PegParts kTurned{{12, 24, 0}, {0, 0, 60}, {1, 1, 1}};
// A turn of −30° with its z axis mirrored. Unmirrored on x it is a turn of 150° with y mirrored:
// past a quarter turn, taken as −30° with both axes mirrored, so half the rotation is −15° and
// the mirrored scale turns with the −15° given up; the x mirror put back leaves a turn of −45°
// (without the rule: +45°). Mirrored at 150° the input is within a quarter turn and keeps its
// own reading: a turn of 135°.
const PegParts kZMirroredLate{{0, 0, 0}, {0, 0, -30}, {1, 1, -1}};
const PegParts kZMirroredEarly{{0, 0, 0}, {0, 0, 150}, {1, 1, -1}};

TEST_P(TransformLimitTest, GivesItsWorkedResult) {
  const Row& r = GetParam();
  SC_SceneCommon scene;
  Peg* peg = addPeg(scene, r.input);
  auto* limit = static_cast<TransformLimitModule*>(scene.addNode(std::make_unique<TransformLimitModule>()));
  ASSERT_TRUE(limit->link(0, peg, 0));
  for (const auto& [keyword, value] : r.percents)
    static_cast<AT_DoubleAttr*>(limit->attr(QString::fromStdString(keyword)))->setLocalValue(value);
  limit->switchtypeAttr()->setLocalValue(static_cast<int>(r.switchType));
  if (r.switchActive >= 0) {
    auto* sw = static_cast<Switch*>(scene.addNode(std::make_unique<Switch>()));
    sw->activeAttr()->setLocalValue(r.switchActive);
    ASSERT_TRUE(limit->link(2, sw, 0));
  }
  EXPECT_TRUE(matrixNear(SC_SceneEvaluator(scene).evaluate(limit, 1), r.expected, 1e-12));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TransformLimitTest,
    ::testing::Values(
        Row{"TranslationAbove100IsWhole", kTurned, {{"TX", 150}, {"ROT", 50}}, T(1, 2, 0) * Rz(30)},
        Row{"RotationBelow0IsNone", kTurned, {{"ROT", -20}}, T(1, 2, 0)},
        Row{"ActiveAbove100IsWhole", kTurned, {{"ACTIVE", 250}, {"ROT", 50}}, T(1, 2, 0) * Rz(30)},
        Row{"ActiveBelow0PassesTheInput", kTurned, {{"ACTIVE", -50}, {"ROT", 50}}, kTurned.matrix()},
        // 80 % of the rotation times an activity of 50 % times the switch's 50 %: a fifth of 60°.
        Row{"SwitchScalesTheActivity", kTurned, {{"ACTIVE", 50}, {"ROT", 80}}, T(1, 2, 0) * Rz(12), 50, Sw::ROTATION},
        Row{"SwitchAtZeroOnlyZeroesWhatItNames", kTurned, {{"ROT", 80}, {"TX", 50}}, Rz(48), 0, Sw::TRANSLATE},
        Row{"SwitchAtZeroUnderActivePassesTheInput", kTurned, {{"ROT", 80}}, kTurned.matrix(), 0},
        Row{"BothAxesMirroredPastAQuarterTurnAreAHalfTurnMore", kZMirroredLate, {{"ROT", 50}}, Rz(-45)},
        Row{"MirroredWithinAQuarterTurnKeepsItsReading", kZMirroredEarly, {{"ROT", 50}}, Rz(135)}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

} // namespace
