// Attribute edits built by the Attr:: builders, run through the command manager on a scene's
// peg: a macro is one step of the history, undo gives back the scene exactly (keys and the
// evaluated matrix), all-frames edits keep the animation's shape, a drag's surrogate changes
// nothing stored until its command runs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

#include "Command/CO_AttrCommands.h"
#include "Command/CO_CommandManager.h"
#include "Command/CO_OrCommand.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position2dAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

using Keys = std::map<double, std::pair<double, AT_Keys::Interpolation>>;

Keys keysOf(AT_DoubleAttr* a) {
  Keys k;
  for (const auto& [frame, key] : a->keys()->keys())
    k[frame] = {key.value, key.interpolation};
  return k;
}

void setKeys(AT_DoubleAttr* a, const Keys& keys) {
  AT_Keys k;
  for (const auto& [frame, key] : keys)
    k.setKey(frame, key.first, key.second);
  a->setKeys(k);
}

std::array<double, 16> valuesOf(const Math::Matrix4x4& m) {
  std::array<double, 16> v{};
  m.getValues(v.data());
  return v;
}

class PegScene : public ::testing::Test {
protected:
  void SetUp() override {
    peg = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
    peg->setInstanceName(QStringLiteral("Arm"));
    angleZ()->setKey(1, 0);
    angleZ()->setKey(24, 90, AT_Keys::Constant);
  }
  AT_DoubleAttr* angleZ() { return peg->rotation()->angleZ(); }
  Math::Matrix4x4 matrixAt(double frame) { return SC_SceneEvaluator(scene).evaluate(peg, frame); }

  SC_SceneCommon scene;
  Peg* peg = nullptr;
  CO_CommandManager manager;
};

TEST_F(PegScene, MacroOfSeveralEditsIsOneStepThatUndoesAndRedoesWhole) {
  const Keys keysBefore = keysOf(angleZ());
  auto* macro = new CO_OrCommand;
  macro->add(Attr::Double::createSetValueCmd(angleZ(), 12, 45));  // animated: a new key
  macro->add(Attr::Double::createSetValueCmd(peg->skew(), 12, 10));  // not animated: the local value
  macro->add(Attr::Position3d::createSetValueCmd(peg->position(), 12, 12, 24, -36));
  ASSERT_EQ(macro->size(), 3);
  manager.execute(macro, QStringLiteral("Move Arm"));

  EXPECT_EQ(manager.history(), QStringList{QStringLiteral("Move Arm")});
  const Keys keysAfter{{1, {0, AT_Keys::Linear}}, {12, {45, AT_Keys::Linear}}, {24, {90, AT_Keys::Constant}}};
  EXPECT_EQ(keysOf(angleZ()), keysAfter);
  EXPECT_EQ(peg->skew()->localValue(), 10);
  EXPECT_FALSE(peg->skew()->isAnimated());
  EXPECT_EQ(peg->position()->value(12), Math::Point3d(12, 24, -36));

  ASSERT_TRUE(manager.undo());
  EXPECT_EQ(keysOf(angleZ()), keysBefore);
  EXPECT_EQ(peg->skew()->localValue(), 0);
  EXPECT_EQ(peg->position()->value(12), Math::Point3d(0, 0, 0));
  EXPECT_FALSE(manager.canUndo());
  EXPECT_EQ(manager.redoName(), QStringLiteral("Move Arm"));

  ASSERT_TRUE(manager.redo());
  EXPECT_EQ(keysOf(angleZ()), keysAfter);
  EXPECT_EQ(peg->skew()->localValue(), 10);
  EXPECT_EQ(peg->position()->value(12), Math::Point3d(12, 24, -36));
  EXPECT_EQ(manager.history(), QStringList{QStringLiteral("Move Arm")});
}

TEST_F(PegScene, EvaluationFollowsTheEditAndItsUndo) {
  const auto first = valuesOf(matrixAt(12));
  auto* macro = new CO_OrCommand;
  macro->add(Attr::Position3d::createSetValueCmd(peg->position(), 12, 12, 24, -36));
  macro->add(Attr::Double::createSetValueCmd(angleZ(), 12, 30));
  manager.execute(macro, QStringLiteral("Move Arm"));

  // With the pivot at the origin and no skew or scale, the matrix is T(toOGL(position)) · Rz(30):
  // the default metrics divide by 12.
  const auto edited = valuesOf(matrixAt(12));
  EXPECT_NEAR(edited[12], 1.0, 1e-15);
  EXPECT_NEAR(edited[13], 2.0, 1e-15);
  EXPECT_NEAR(edited[14], -3.0, 1e-15);
  EXPECT_NEAR(edited[0], std::sqrt(3.0) / 2, 1e-15);
  EXPECT_NEAR(edited[1], 0.5, 1e-15);

  manager.undo();
  EXPECT_EQ(valuesOf(matrixAt(12)), first);
  manager.redo();
  EXPECT_EQ(valuesOf(matrixAt(12)), edited);
}

TEST_F(PegScene, RotationAndScaleSetLocalValuesAndLeaveKeys) {
  auto* macro = new CO_OrCommand;
  macro->add(Attr::Rotation3d::createSetLocalValueCmd(peg->rotation(), Math::Vector3d(10, -20, 30)));
  macro->add(Attr::Scale3d::createSetLocalValueCmd(peg->scale(), 2, 3, 0.5));
  manager.execute(macro, QStringLiteral("Bake"));
  EXPECT_EQ(peg->rotation()->angleX()->localValue(), 10);
  EXPECT_EQ(peg->rotation()->angleY()->localValue(), -20);
  EXPECT_EQ(angleZ()->localValue(), 30);
  EXPECT_EQ(angleZ()->value(24), 90) << "keys still rule an animated part";
  EXPECT_EQ(peg->scale()->value(5), Math::Vector3d(2, 3, 0.5));
  manager.undo();
  EXPECT_EQ(peg->scale()->value(5), Math::Vector3d(1, 1, 1));
  EXPECT_EQ(angleZ()->localValue(), 0);
}

TEST(AttrBuilders, NullAttributeOrNonFiniteValueBuildsNothing) {
  const double nan = std::nan("");
  const AT_DoubleAttrMeta meta("A", "A", "");
  AT_DoubleAttr a(nullptr, meta);
  EXPECT_EQ(Attr::Double::createSetValueCmd(nullptr, 1, 2), nullptr);
  EXPECT_EQ(Attr::Double::createSetValueCmd(&a, 1, nan), nullptr);
  EXPECT_EQ(Attr::Double::createOffsetValueAllFramesCmd(&a, INFINITY, {1, 2}), nullptr);
  EXPECT_EQ(Attr::Position2d::createSetValueCmd(nullptr, 1, 2, 3), nullptr);
  EXPECT_EQ(Attr::Position2d::createTranslateAllFramesCmd(nullptr, 1, 2, {1, 2}), nullptr);
  EXPECT_EQ(Attr::Position3d::createSetValueCmd(nullptr, 1, 2, 3, 4), nullptr);
  EXPECT_EQ(Attr::Rotation3d::createSetLocalValueCmd(nullptr, Math::Vector3d()), nullptr);
  EXPECT_EQ(Attr::Scale3d::createSetLocalValueCmd(nullptr, 1, 1, nan), nullptr);
}

// --- all-frames edits -----------------------------------------------------------------------

struct OffsetCase {
  const char* name;
  Keys keys;
  double local;
  double value;
  Attr::FrameRange range;
  Keys expectedKeys;
  double expectedLocal;
  bool exactAtFirstFrame = true;
};

class OffsetAllFrames : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(OffsetAllFrames, MovesKeysInsideTheRangeByOneOffsetAndUndoesExactly) {
  const OffsetCase& c = GetParam();
  const AT_DoubleAttrMeta meta("ACTIVE", "Active", "");
  AT_DoubleAttr a(nullptr, meta, AT_DoubleAttr::eLinkable, c.local);
  setKeys(&a, c.keys);
  std::unique_ptr<CO_Command> cmd(Attr::Double::createOffsetValueAllFramesCmd(&a, c.value, c.range));
  ASSERT_TRUE(cmd);
  EXPECT_EQ(keysOf(&a), c.keys) << "nothing changes before the command runs";
  cmd->execute();
  EXPECT_EQ(keysOf(&a), c.expectedKeys);
  EXPECT_EQ(a.localValue(), c.expectedLocal);
  if (c.exactAtFirstFrame) {
    EXPECT_EQ(a.value(std::min(c.range.first, c.range.last)), c.value);
  }
  cmd->undo();
  EXPECT_EQ(keysOf(&a), c.keys);
  EXPECT_EQ(a.localValue(), c.local);
}

constexpr auto L = AT_Keys::Linear;
constexpr auto C = AT_Keys::Constant;

INSTANTIATE_TEST_SUITE_P(
    Shapes, OffsetAllFrames,
    ::testing::Values(
        // 10 -> 14 at frame 1: every key up to 20 moves by 4, the key at 30 is outside.
        OffsetCase{"KeysInsideMove", {{1, {10, L}}, {10, {20, L}}, {20, {15, C}}, {30, {5, L}}}, 2, 14, {1, 20},
                   {{1, {14, L}}, {10, {24, L}}, {20, {19, C}}, {30, {5, L}}}, 6},
        OffsetCase{"SwappedRangeReadsTheSame", {{1, {10, L}}, {10, {20, L}}, {20, {15, C}}, {30, {5, L}}}, 2, 14,
                   {20, 1}, {{1, {14, L}}, {10, {24, L}}, {20, {19, C}}, {30, {5, L}}}, 6},
        // Before the first key the first key's value holds, so frame 0 reads 0 and all move by -3.
        OffsetCase{"RangeStartsBeforeTheKeys", {{1, {0, L}}, {11, {10, L}}, {21, {10, C}}}, 0, -3, {0, 48},
                   {{1, {-3, L}}, {11, {7, L}}, {21, {7, C}}}, -3},
        // Frame 6 reads 5 halfway between the keys: offset 3, but the key at 1 lies before the
        // range and stays, so frame 6 ends at (0 + 13) / 2, not at 8.
        OffsetCase{"KeyBeforeTheRangeStays", {{1, {0, L}}, {11, {10, L}}}, 1, 8, {6, 48}, {{1, {0, L}}, {11, {13, L}}},
                   4, false},
        OffsetCase{"NotAnimated", {}, 2, 14, {1, 20}, {}, 14}),
    [](const ::testing::TestParamInfo<OffsetCase>& p) { return p.param.name; });

TEST(TranslateAllFrames, TakesThePositionAtTheFirstFrameAndMovesEachPartByItsOffset) {
  const AT_AttrMeta meta("POS", "Position");
  AT_Position2dAttr pos(nullptr, meta, true, 0, 3);
  setKeys(pos.x(), {{1, {2, L}}, {10, {4, C}}});
  // The range as a manipulation context hands it out.
  std::unique_ptr<CO_Command> cmd(Attr::Position2d::createTranslateAllFramesCmd(&pos, 5, 7, std::pair<int, int>(1, 48)));
  cmd->execute();
  EXPECT_EQ(keysOf(pos.x()), (Keys{{1, {5, L}}, {10, {7, C}}}));
  EXPECT_EQ(pos.value(20), Math::Point2d(7, 7));
  cmd->undo();
  EXPECT_EQ(keysOf(pos.x()), (Keys{{1, {2, L}}, {10, {4, C}}}));
  EXPECT_EQ(pos.y()->localValue(), 3);
}

// --- a drag: surrogate while it runs, one command when it ends -------------------------------

TEST_F(PegScene, SurrogateShowsTheDragAndNothingStoredChangesUntilTheCommandRuns) {
  AT_DoubleAttr* x = peg->position()->x();
  x->setKey(1, 0);
  x->setKey(24, 23);
  const Keys keysBefore = keysOf(x);
  const double localBefore = x->localValue();
  const auto firstMatrix = valuesOf(matrixAt(12));

  auto surrogate = std::make_shared<AT_ScalarSimpleAttrSurrogate>(x, x->value(12), 12, false, false);
  x->setSurrogate(surrogate);
  surrogate->setValue(60);
  EXPECT_NEAR(valuesOf(matrixAt(12))[12], 5.0, 1e-15) << "evaluation sees the drag (60 / 12)";
  surrogate->setValue(-24);
  EXPECT_NEAR(valuesOf(matrixAt(12))[12], -2.0, 1e-15) << "and each move of it";
  EXPECT_EQ(keysOf(x), keysBefore);
  EXPECT_EQ(x->localValue(), localBefore);

  const double dropped = surrogate->value();
  x->setSurrogate(nullptr);
  CO_Command* cmd = Attr::Double::createSetValueCmd(x, 12, dropped);
  EXPECT_EQ(keysOf(x), keysBefore);
  EXPECT_EQ(valuesOf(matrixAt(12)), firstMatrix);

  auto* macro = new CO_OrCommand;
  macro->add(cmd);
  manager.execute(macro, QStringLiteral("Change Switch Module"));
  EXPECT_EQ(x->value(12), -24);
  EXPECT_EQ(x->keys()->size(), 3u);
  manager.undo();
  EXPECT_EQ(keysOf(x), keysBefore);
  EXPECT_EQ(valuesOf(matrixAt(12)), firstMatrix);
}

} // namespace
