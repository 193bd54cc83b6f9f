#include <gtest/gtest.h>

#include "SceneCore/AT_AttrMeta.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_Keys.h"

namespace {

// Keys at 10 (linear, 0), 20 (constant, 100), 30 (linear, 40).
AT_Keys sampleKeys() {
  AT_Keys k;
  k.setKey(10, 0.0, AT_Keys::Linear);
  k.setKey(20, 100.0, AT_Keys::Constant);
  k.setKey(30, 40.0, AT_Keys::Linear);
  return k;
}

struct KeyCase {
  double frame;
  double expected;
};

class KeyInterpolation : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyInterpolation, FollowsTheEarlierKeysInterpolationAndHoldsTheEnds) {
  EXPECT_DOUBLE_EQ(*sampleKeys().value(GetParam().frame), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, KeyInterpolation,
                         ::testing::Values(KeyCase{-5, 0.0},      // before the first key: its value holds
                                           KeyCase{12.5, 25.0},   // a quarter of the linear stretch 0 → 100
                                           KeyCase{25, 100.0},    // the constant key holds until the next
                                           KeyCase{1000, 40.0})); // after the last key

TEST(AT_Keys, NoKeysGiveNoValue) { EXPECT_FALSE(AT_Keys().value(3).has_value()); }

TEST(AT_Keys, HoldReadsLinearStretchesAsConstant) { EXPECT_DOUBLE_EQ(*sampleKeys().value(15, true), 0.0); }

const AT_DoubleAttrMeta kLevel("LEVEL", "Level", "DBL_STEP", -10, 10, -50, 50, 1);
const AT_AttrMeta kCount("COUNT", "Count");

TEST(AT_DoubleAttr, ValuesAreHeldToTheHardRangeButFilesOutsideItAreRefused) {
  AT_DoubleAttr a(nullptr, kLevel, AT_DoubleAttr::eLinkable, 0.0);
  a.setLocalValue(80); // beyond the weak range is fine, beyond the hard one is clamped
  EXPECT_EQ(a.localValue(), 50.0);
  a.setLocalValue(-20);
  EXPECT_EQ(a.localValue(), -20.0);
  QString why;
  EXPECT_FALSE(a.setLocalValueFromString(QStringLiteral("51"), &why));
  EXPECT_TRUE(why.contains(QStringLiteral("outside")));
  EXPECT_FALSE(a.setLocalValueFromString(QStringLiteral("nan"), &why));
  EXPECT_EQ(a.localValue(), -20.0);
}

TEST(AT_IntAttr, NeverTakesValuesBetweenKeys) {
  AT_IntAttr gate(nullptr, kCount, true, 0, 0, 10, 1);
  gate.setKey(1, 2);
  gate.setKey(11, 7);
  EXPECT_EQ(gate.value(10.9), 2);
  EXPECT_EQ(gate.value(11), 7);
  QString why;
  EXPECT_FALSE(gate.acceptsKeyValue(2.5, &why));
  EXPECT_FALSE(gate.acceptsKeyValue(11, &why));
}

} // namespace
