#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

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

// Smooth keys at 0 (0), 10 (10), 20 (0), 40 (20). Slopes, the chord over each key's neighbours
// and 0 at the ends: 0, (0 - 0) / 20 = 0, (20 - 10) / 30 = 1/3, 0. On a stretch of length h from
// (v0, m0) to (v1, m1), at t = (f - f0) / h: v = (2t^3 - 3t^2 + 1) v0 + (t^3 - 2t^2 + t) h m0
// + (3t^2 - 2t^3) v1 + (t^3 - t^2) h m1.
AT_Keys smoothKeys(AT_Keys::Interpolation third = AT_Keys::Smooth) {
  AT_Keys k;
  k.setKey(0, 0.0, AT_Keys::Smooth);
  k.setKey(10, 10.0, AT_Keys::Smooth);
  k.setKey(20, 0.0, third);
  k.setKey(40, 20.0, AT_Keys::Smooth);
  return k;
}

class SmoothKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(SmoothKeys, FollowTheCubicHermiteSegmentOverNeighbourSlopes) {
  EXPECT_NEAR(*smoothKeys().value(GetParam().frame), GetParam().expected, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Frames, SmoothKeys,
                         ::testing::Values(KeyCase{2.5, 1.5625}, // t = 1/4, flat at both ends: 10 (3/16 - 2/64)
                                           KeyCase{5, 5.0},      // half way between flat ends
                                           KeyCase{15, 5.0 - 5.0 / 12.0}, // t = 1/2: 10/2 + (-1/8) 10 (1/3)
                                           KeyCase{30, 10.0 + 5.0 / 6.0}, // t = 1/2: (1/8) 20 (1/3) + 20/2
                                           KeyCase{35, 16.875 + 0.3125},  // t = 3/4: 20 (27/32) + (3/64) 20 (1/3)
                                           KeyCase{20, 0.0},              // on a key
                                           KeyCase{-3, 0.0}, KeyCase{50, 20.0}));

// The middle key's slope is the same from both sides (no kink), and the ends are flat.
TEST(AT_Keys, SmoothStretchesMeetWithTheChordSlopeAndEaseIntoTheEnds) {
  const AT_Keys k = smoothKeys();
  const double h = 1e-5;
  auto slope = [&](double f) { return (*k.value(f + h) - *k.value(f - h)) / (2 * h); };
  EXPECT_NEAR((*k.value(20 + h) - *k.value(20)) / h, 1.0 / 3.0, 1e-4);
  EXPECT_NEAR((*k.value(20) - *k.value(20 - h)) / h, 1.0 / 3.0, 1e-4);
  EXPECT_NEAR(slope(0 + 2 * h), 0.0, 1e-3);
  EXPECT_NEAR(slope(40 - 2 * h), 0.0, 1e-3);
}

// A smooth stretch ending on a key of another interpolation still takes that key's chord slope;
// the stretch after it follows its own.
TEST(AT_Keys, TheKeyThatStartsAStretchGovernsIt) {
  const AT_Keys k = smoothKeys(AT_Keys::Linear);
  EXPECT_NEAR(*k.value(15), 5.0 - 5.0 / 12.0, 1e-12);
  EXPECT_NEAR(*k.value(30), 10.0, 1e-12);
}

TEST(AT_Keys, NoKeysGiveNoValue) { EXPECT_FALSE(AT_Keys().value(3).has_value()); }

TEST(AT_Keys, HoldReadsLinearStretchesAsConstant) { EXPECT_DOUBLE_EQ(*sampleKeys().value(15, true), 0.0); }

// Keys set out of order end up in frame order, and the answer at a frame does not depend on the
// frames asked before it: forward play, backward scrubbing and jumps over many stretches each
// agree with the chord through the two keys around the frame, found here by a plain scan.
TEST(AT_Keys, AnyOrderOfLookupsGivesTheChordOfTheStretchAround) {
  AT_Keys k;
  std::vector<std::pair<double, double>> keys;
  for (int i = 40; i >= 0; --i) {
    const double frame = 3.0 * i + (i % 2 ? 0.5 : 0.0), value = (i * 37 % 11) - 5.0;
    k.setKey(frame, value);
    keys.insert(keys.begin(), {frame, value});
  }
  k.setKey(60.5, 99.0); // between keys: a new stretch
  k.setKey(60.5, 7.0);  // on it: replaced, not added
  keys.insert(std::upper_bound(keys.begin(), keys.end(), std::pair<double, double>{60.5, -1e9}), {60.5, 7.0});
  ASSERT_EQ(k.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(k.keys()[i].first, keys[i].first);
  auto chord = [&](double f) {
    if (f <= keys.front().first)
      return keys.front().second;
    for (std::size_t i = 1; i < keys.size(); ++i)
      if (f < keys[i].first)
        return keys[i - 1].second +
               (keys[i].second - keys[i - 1].second) * (f - keys[i - 1].first) / (keys[i].first - keys[i - 1].first);
    return keys.back().second;
  };
  std::vector<double> frames;
  for (double f = -2; f < 125; f += 0.25) // forward, through every stretch
    frames.push_back(f);
  for (double f = 125; f > -2; f -= 1.75) // backward
    frames.push_back(f);
  for (int i = 0; i < 200; ++i) // jumps
    frames.push_back((i * 7919 % 1270) / 10.0 - 2.0);
  for (double f : frames)
    ASSERT_NEAR(*k.value(f), chord(f), 1e-12) << "frame " << f;
  EXPECT_TRUE(k.isKey(60.5));
  EXPECT_FALSE(k.isKey(60.25));
  EXPECT_TRUE(k.removeKey(60.5));
  EXPECT_FALSE(k.removeKey(60.5));
  EXPECT_NEAR(*k.value(60.5), *AT_Keys(k).value(60.5), 0.0);
}

// The stretch around a frame, worked out by hand for the sample keys (10 linear 0, 20 constant
// 100, 30 linear 40) and one smooth stretch: its ends, its rule, and that the rule gives what
// value() gives at frames throughout it.
struct StretchCase {
  double frame;
  double from, to;
  AT_Keys::Stretch::Kind kind;
  double v0, dv, span;
};

class KeyStretch : public ::testing::TestWithParam<StretchCase> {};

TEST_P(KeyStretch, BoundsTheFramesItsRuleGivesTheValueOf) {
  AT_Keys k = sampleKeys();
  k.setKey(50, -8.0, AT_Keys::Smooth);
  k.setKey(60, 2.0);
  const StretchCase& c = GetParam();
  const AT_Keys::Stretch s = k.stretch(c.frame);
  EXPECT_EQ(s.from, c.from);
  EXPECT_EQ(s.to, c.to);
  ASSERT_EQ(s.kind, c.kind);
  if (c.kind != AT_Keys::Stretch::Smooth) {
    EXPECT_EQ(s.v0, c.v0);
    if (c.kind == AT_Keys::Stretch::Linear) {
      EXPECT_EQ(s.dv, c.dv);
      EXPECT_EQ(s.span, c.span);
    }
  }
  const double first = std::max(s.from, c.frame - 30), last = std::min(s.to, c.frame + 30);
  for (double f = first; f < last; f += 0.25) {
    const double rule = s.kind == AT_Keys::Stretch::Held ? s.v0
                        : f == s.from                    ? s.v0
                                                         : s.v0 + s.dv * ((f - s.from) / s.span);
    if (s.kind != AT_Keys::Stretch::Smooth) {
      ASSERT_EQ(rule, *k.value(f)) << "frame " << f;
    }
  }
}

constexpr double kInf = std::numeric_limits<double>::infinity();
INSTANTIATE_TEST_SUITE_P(
    Frames, KeyStretch,
    ::testing::Values(StretchCase{-5, -kInf, 10, AT_Keys::Stretch::Held, 0.0, 0, 0},       // before the first key
                      StretchCase{10, 10, 20, AT_Keys::Stretch::Linear, 0.0, 100.0, 10},   // on a key
                      StretchCase{12.5, 10, 20, AT_Keys::Stretch::Linear, 0.0, 100.0, 10}, // within
                      StretchCase{20, 20, 30, AT_Keys::Stretch::Held, 100.0, 0, 0},        // a constant key
                      StretchCase{49.75, 30, 50, AT_Keys::Stretch::Linear, 40.0, -48.0, 20},
                      StretchCase{55, 50, 60, AT_Keys::Stretch::Smooth, 0, 0, 0},
                      StretchCase{60, 60, kInf, AT_Keys::Stretch::Held, 2.0, 0, 0},    // the last key
                      StretchCase{1e9, 60, kInf, AT_Keys::Stretch::Held, 2.0, 0, 0})); // far after it

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

TEST(AT_DoubleAttr, ASmoothSwingPastTheKeysStaysInsideTheHardRange) {
  AT_DoubleAttr a(nullptr, kLevel, AT_DoubleAttr::eLinkable, 0.0);
  a.setKey(0, 0.0, AT_Keys::Smooth);
  a.setKey(10, 50.0, AT_Keys::Smooth);
  a.setKey(20, 50.0, AT_Keys::Smooth);
  a.setKey(30, 0.0, AT_Keys::Smooth);
  // Between the two keys at 50 the curve rises above them (slope 2.5 at 10, -2.5 at 20).
  EXPECT_EQ(a.value(15), 50.0);
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

// Keys added, replaced and removed at the front, in the middle and at the end, then cleared
// and used again: after every edit the keys and a copy of them list what a std::map holds.
TEST(AT_Keys, EditsAndCopiesListWhatAMapOfTheSameEditsHolds) {
  AT_Keys k;
  std::map<double, std::pair<double, AT_Keys::Interpolation>> expected;
  auto same = [&](const AT_Keys& keys) {
    ASSERT_EQ(keys.size(), expected.size());
    auto e = expected.begin();
    for (const auto& [frame, key] : keys.keys()) {
      EXPECT_EQ(frame, e->first);
      EXPECT_EQ(key.value, e->second.first);
      EXPECT_EQ(key.interpolation, e->second.second);
      ++e;
    }
  };
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 300; ++i) {
      const double frame = (i * 7919 % 97) - 20.0;
      const auto interpolation = AT_Keys::Interpolation(i % 3);
      if (i % 5 == 4) {
        EXPECT_EQ(k.removeKey(frame), expected.erase(frame) == 1);
      } else {
        k.setKey(frame, i, interpolation);
        expected[frame] = {double(i), interpolation};
      }
      same(k);
      same(AT_Keys(k));
    }
    k.clear();
    expected.clear();
    same(k);
  }
}

} // namespace
