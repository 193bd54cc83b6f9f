// Attribute edits as commands: undo and redo give back the exact state (bits of every value,
// keys and their interpolations), typed text that is no value builds no command, surrogates
// stand in for the value without touching the scene.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_EnumAttrBase.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/MO_Revision.h"

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Keys compared bit for bit (0.0 and -0.0 differ), interpolations included.
::testing::AssertionResult sameKeys(const AT_Keys& a, const AT_Keys& b) {
  if (a.size() != b.size())
    return ::testing::AssertionFailure() << a.size() << " keys against " << b.size();
  for (auto i = a.keys().begin(), j = b.keys().begin(); i != a.keys().end(); ++i, ++j)
    if (!sameBits(i->first, j->first) || !sameBits(i->second.value, j->second.value) ||
        i->second.interpolation != j->second.interpolation)
      return ::testing::AssertionFailure() << "key at frame " << i->first << " differs";
  return ::testing::AssertionSuccess();
}

struct DoubleState {
  double local;
  AT_Keys keys;
};
DoubleState stateOf(const AT_DoubleAttr& a) { return {a.localValue(), *const_cast<AT_DoubleAttr&>(a).keys()}; }

const AT_DoubleAttrMeta kAmount("AMOUNT", "Amount", "DBL_STEP", -100, 100, -1000, 1000, 0.1);

// Starting state shared by the table: three keys with awkward values and both interpolations.
void seed(AT_DoubleAttr& a) {
  a.setLocalValue(0.1 + 0.2);
  a.setKey(1, 1.0 / 3.0, AT_Keys::Constant);
  a.setKey(7.5, -0.0, AT_Keys::Linear);
  a.setKey(12, 5e-324, AT_Keys::Linear); // the smallest denormal survives 17 digits
}

struct EditCase {
  const char* name;
  std::function<void(AT_DoubleAttr&)> edit;
};

class EditUndoRedo : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditUndoRedo, UndoGivesBackTheExactStateBeforeAndRedoTheStateAfter) {
  AT_DoubleAttr a(nullptr, kAmount);
  seed(a);
  const DoubleState before = stateOf(a);
  AT_EditCmd cmd(&a, [&a] { GetParam().edit(a); });
  cmd.execute();
  const DoubleState after = stateOf(a);
  ASSERT_FALSE(sameKeys(before.keys, after.keys) && sameBits(before.local, after.local)) << "the edit changed nothing";

  cmd.undo();
  EXPECT_TRUE(sameBits(a.localValue(), before.local));
  EXPECT_TRUE(sameKeys(*a.keys(), before.keys));
  cmd.redo();
  EXPECT_TRUE(sameBits(a.localValue(), after.local));
  EXPECT_TRUE(sameKeys(*a.keys(), after.keys));
}

INSTANTIATE_TEST_SUITE_P(Edits, EditUndoRedo,
                         ::testing::Values(EditCase{"KeyAdded", [](AT_DoubleAttr& a) { a.setKey(4, 2.0); }},
                                           EditCase{"OnlyInterpolationChanged",
                                                    [](AT_DoubleAttr& a) { a.setKey(7.5, -0.0, AT_Keys::Constant); }},
                                           EditCase{"AllKeysCleared", [](AT_DoubleAttr& a) { a.setKeys(AT_Keys()); }},
                                           EditCase{"LocalValueOnly",
                                                    [](AT_DoubleAttr& a) { a.setLocalValue(1e-17); }}),
                         [](const ::testing::TestParamInfo<EditCase>& p) { return p.param.name; });

// --- typed text -----------------------------------------------------------------------------

TEST(TextValue, AnimatedNumberGetsAKeyAtTheFrameAndKeepsItsLocalValue) {
  AT_DoubleAttr a(nullptr, kAmount, AT_DoubleAttr::eLinkable, 4.0);
  a.setKey(1, 0);
  a.setKey(11, 10);
  EXPECT_EQ(a.setTextValue(6, QStringLiteral("nan")), nullptr);
  EXPECT_EQ(a.setTextValue(6, QStringLiteral("1000.5")), nullptr); // above the hard range
  std::unique_ptr<CO_Command> cmd(a.setTextValue(6, QStringLiteral(" 50 ")));
  ASSERT_TRUE(cmd);
  EXPECT_EQ(a.keys()->size(), 2u) << "nothing changes until the command runs";
  cmd->execute();
  EXPECT_EQ(a.keys()->size(), 3u);
  EXPECT_EQ(a.value(6), 50.0);
  EXPECT_EQ(a.value(8.5), 30.0); // halfway between the new key and (11, 10)
  EXPECT_EQ(a.localValue(), 4.0);
  cmd->undo();
  EXPECT_EQ(a.value(6), 5.0);
}

TEST(TextValue, FlagsAndWholeNumbersRefuseBadTextAndUndoGoodText) {
  const AT_AttrMeta meta("X", "X");
  AT_BoolAttr flag(nullptr, meta, false);
  AT_IntAttr count(nullptr, meta, true, 0, -5, 5, 1);
  EXPECT_EQ(flag.setTextValue(1, QStringLiteral("yes")), nullptr);
  EXPECT_EQ(count.setTextValue(1, QStringLiteral("6")), nullptr);   // above max
  EXPECT_EQ(count.setTextValue(1, QStringLiteral("2.5")), nullptr); // not whole
  std::unique_ptr<CO_Command> f(flag.setTextValue(1, QStringLiteral("true")));
  std::unique_ptr<CO_Command> c(count.setTextValue(1, QStringLiteral("-5")));
  ASSERT_TRUE(f && c);
  f->execute();
  c->execute();
  EXPECT_TRUE(flag.localValue());
  EXPECT_EQ(count.localValue(), -5);
  c->undo();
  f->undo();
  EXPECT_FALSE(flag.localValue());
  EXPECT_EQ(count.localValue(), 0);
}

// --- surrogates -----------------------------------------------------------------------------

TEST(Surrogate, StandsForTheValueWhileAttachedAndTouchesNothingStored) {
  AT_DoubleAttr a(nullptr, kAmount, AT_DoubleAttr::eLinkable, 7.0);
  a.setKey(1, 10);
  a.setKey(9, 30);
  const DoubleState stored = stateOf(a);

  auto s = std::make_shared<AT_ScalarSimpleAttrSurrogate>(&a, a.value(5), 5, false, false);
  a.setSurrogate(s);
  EXPECT_EQ(s->value(), 20.0);
  const auto r0 = MO_Revision::current();
  s->setValue(-2.5);
  EXPECT_GT(MO_Revision::current(), r0) << "results computed from the old drag value must go stale";
  for (double frame : {0.0, 5.0, 100.0})
    EXPECT_EQ(a.value(frame), -2.5);
  EXPECT_EQ(a.storedValue(5), 20.0);
  EXPECT_TRUE(sameBits(a.localValue(), stored.local));
  EXPECT_TRUE(sameKeys(*a.keys(), stored.keys));

  a.setSurrogate(nullptr);
  EXPECT_EQ(a.value(5), 20.0);
}

} // namespace
