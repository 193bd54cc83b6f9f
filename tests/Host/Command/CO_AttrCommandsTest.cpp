// All-frames edits built by the Attr:: builders keep the animation's shape and undo exactly. (Edits
// at one frame, undone and redone through the manager, are the session's EveryEdit.)
#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "Command/CO_AttrCommands.h"
#include "Command/CO_Command.h"
#include "SceneCore/AT_DoubleAttr.h"

namespace {

using Keys = std::map<double, std::pair<double, AT_Keys::Interpolation>>;

Keys keysOf(AT_DoubleAttr* a) {
  Keys k;
  for (const auto& [frame, key] : a->keys()->keys())
    k[frame] = {key.value, key.interpolation};
  return k;
}

// "FRAME:VALUE" for a linear key, "FRAME:VALUEc" for a constant one, separated by spaces.
Keys keys(const char* text) {
  Keys k;
  for (const QString& key : QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const bool constant = key.endsWith(QLatin1Char('c'));
    const QStringList parts = key.left(key.size() - (constant ? 1 : 0)).split(QLatin1Char(':'));
    k[parts[0].toDouble()] = {parts[1].toDouble(), constant ? AT_Keys::Constant : AT_Keys::Linear};
  }
  return k;
}

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
  AT_Keys set;
  for (const auto& [frame, key] : c.keys)
    set.setKey(frame, key.first, key.second);
  a.setKeys(set);
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

INSTANTIATE_TEST_SUITE_P(
    Shapes, OffsetAllFrames,
    ::testing::Values(
        // 10 -> 14 at frame 1: every key up to 20 moves by 4, the key at 30 is outside.
        OffsetCase{"KeysInsideMove", keys("1:10 10:20 20:15c 30:5"), 2, 14, {1, 20}, keys("1:14 10:24 20:19c 30:5"), 6},
        // Before the first key the first key's value holds, so frame 0 reads 0 and all move by -3.
        OffsetCase{"RangeStartsBeforeTheKeys", keys("1:0 11:10 21:10c"), 0, -3, {0, 48}, keys("1:-3 11:7 21:7c"), -3},
        // Frame 6 reads 5 halfway between the keys: offset 3, but the key at 1 lies before the
        // range and stays, so frame 6 ends at (0 + 13) / 2, not at 8.
        OffsetCase{"KeyBeforeTheRangeStays", keys("1:0 11:10"), 1, 8, {6, 48}, keys("1:0 11:13"), 4, false},
        OffsetCase{"NotAnimated", {}, 2, 14, {1, 20}, {}, 14}),
    [](const ::testing::TestParamInfo<OffsetCase>& p) { return p.param.name; });

} // namespace
