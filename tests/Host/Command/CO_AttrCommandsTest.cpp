// Attribute edits built by the Attr:: builders, run through the command manager on a scene's
// peg: undo gives back the scene exactly (keys and the evaluated matrix), all-frames edits keep
// the animation's shape.
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
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
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

TEST_F(PegScene, EvaluationFollowsTheEditAndItsUndo) {
  const auto first = valuesOf(matrixAt(12));
  auto* macro = new CO_OrCommand;
  macro->add(Attr::Position3d::createSetValueCmd(peg->position(), 12, 12, 24, -36));
  macro->add(Attr::Double::createSetValueCmd(angleZ(), 12, 30));
  manager.execute(macro, QStringLiteral("Move Arm"));
  EXPECT_EQ(angleZ()->keys()->size(), 3u) << "an animated part gets a key at the frame";

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
  EXPECT_EQ(angleZ()->keys()->size(), 2u);
  manager.redo();
  EXPECT_EQ(valuesOf(matrixAt(12)), edited);
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

INSTANTIATE_TEST_SUITE_P(Shapes, OffsetAllFrames,
                         ::testing::Values(
                             // 10 -> 14 at frame 1: every key up to 20 moves by 4, the key at 30 is outside.
                             OffsetCase{"KeysInsideMove",
                                        {{1, {10, L}}, {10, {20, L}}, {20, {15, C}}, {30, {5, L}}},
                                        2,
                                        14,
                                        {1, 20},
                                        {{1, {14, L}}, {10, {24, L}}, {20, {19, C}}, {30, {5, L}}},
                                        6},
                             // Before the first key the first key's value holds, so frame 0 reads 0 and all move by -3.
                             OffsetCase{"RangeStartsBeforeTheKeys",
                                        {{1, {0, L}}, {11, {10, L}}, {21, {10, C}}},
                                        0,
                                        -3,
                                        {0, 48},
                                        {{1, {-3, L}}, {11, {7, L}}, {21, {7, C}}},
                                        -3},
                             // Frame 6 reads 5 halfway between the keys: offset 3, but the key at 1 lies before the
                             // range and stays, so frame 6 ends at (0 + 13) / 2, not at 8.
                             OffsetCase{"KeyBeforeTheRangeStays",
                                        {{1, {0, L}}, {11, {10, L}}},
                                        1,
                                        8,
                                        {6, 48},
                                        {{1, {0, L}}, {11, {13, L}}},
                                        4,
                                        false},
                             OffsetCase{"NotAnimated", {}, 2, 14, {1, 20}, {}, 14}),
                         [](const ::testing::TestParamInfo<OffsetCase>& p) { return p.param.name; });

} // namespace
