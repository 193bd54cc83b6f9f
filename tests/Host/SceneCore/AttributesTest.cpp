#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/Peg.h"

namespace {

TEST(CompoundAttributes, PartsFollowTheCaseOfTheKeyword) {
  const AT_AttrMeta upper("POS", "Position");
  const AT_AttrMeta lower("translate", "Translate");
  const AT_AttrMeta rotate("rotate", "Rotate");
  AT_Position3dAttr a(nullptr, upper, true);
  AT_Position3dAttr b(nullptr, lower, true);
  AT_Rotation3dAttr r(nullptr, rotate, true);
  EXPECT_EQ(a.subAttr(QStringLiteral("X")), a.x());
  EXPECT_EQ(a.x()->path(), QStringLiteral("POS.X"));
  EXPECT_EQ(b.subAttr(QStringLiteral("x")), b.x());
  EXPECT_EQ(b.subAttr(QStringLiteral("X")), nullptr);
  EXPECT_EQ(r.angleZ()->path(), QStringLiteral("rotate.anglez"));
}

TEST(NodeAttributes, PathLookupReachesPartsAndRejectsUnknownOnes) {
  Peg peg;
  EXPECT_EQ(peg.attr(QStringLiteral("POSITION.X")), peg.position()->x());
  EXPECT_EQ(peg.attr(QStringLiteral("SKEW")), peg.skew());
  EXPECT_EQ(peg.attr(QStringLiteral("POSITION.W")), nullptr);
  EXPECT_EQ(peg.attr(QStringLiteral("POSITION.X.Y")), nullptr);
  EXPECT_EQ(peg.attr(QStringLiteral("position")), nullptr);
}

// Numbers and flags hold no keys until the first one is set, yet read as animatable with an
// empty set of keys before that, through a const attribute as through a changeable one.
struct KeysRow {
  const char* path;
  bool animatable;
};

class AttributeKeys : public ::testing::TestWithParam<KeysRow> {};

TEST_P(AttributeKeys, ReadEmptyUntilTheFirstKeyThenHoldItAndTakeNoEditToRemoveNone) {
  Peg peg;
  AT_Attr* attr = peg.attr(QString::fromLatin1(GetParam().path));
  ASSERT_NE(attr, nullptr);
  const AT_Attr* reading = attr;
  ASSERT_EQ(reading->keys() != nullptr, GetParam().animatable);
  ASSERT_EQ(attr->keys() != nullptr, GetParam().animatable);
  if (!GetParam().animatable)
    return;
  EXPECT_TRUE(reading->keys()->empty());

  auto* number = dynamic_cast<AT_DoubleAttr*>(attr);
  auto* flag = dynamic_cast<AT_BoolAttr*>(attr);
  ASSERT_TRUE(number || flag);
  // Removing a key from a number that has none is no edit: nothing computed is dropped.
  const std::int64_t before = MO_Revision::current();
  if (number)
    number->removeKey(3);
  EXPECT_EQ(MO_Revision::current(), before);

  if (number)
    number->setKey(5, 2.5);
  else
    flag->setKey(5, true);
  ASSERT_EQ(reading->keys()->size(), 1u);
  EXPECT_EQ(reading->keys()->keys().front().first, 5.0);
  // A single key holds its value at every frame.
  if (number) {
    bool isKey = false, isAnimated = false;
    EXPECT_EQ(number->value(5, &isKey, &isAnimated), 2.5);
    EXPECT_TRUE(isKey && isAnimated);
    EXPECT_EQ(number->value(-40), 2.5);
    number->removeKey(5);
    EXPECT_TRUE(reading->keys()->empty());
    EXPECT_EQ(number->value(5), number->localValue());
  } else {
    EXPECT_TRUE(flag->value(-40));
  }
}

INSTANTIATE_TEST_SUITE_P(PegAttributes, AttributeKeys,
                         ::testing::Values(KeysRow{"POSITION.X", true}, KeysRow{"SKEW", true},
                                           KeysRow{"PIVOT.X", false}, KeysRow{"POSITION.SEPARATE", true}),
                         [](const auto& row) {
                           std::string name = row.param.path;
                           for (char& c : name)
                             if (c == '.')
                               c = '_';
                           return name;
                         });

// Listeners and surrogates are kept beside the attributes, by address: a number made where one
// died (here in the same storage) starts with neither, and edits tell only its own listeners,
// in the order they were added, once each.
TEST(AttributeListeners, AreToldInOrderOnceEachAndDieWithTheirNumber) {
  struct Recorder : RXListener {
    Recorder(std::vector<int>& into, int number) : log(into), id(number) {}
    void told(RXTeller*) override { log.push_back(id); }
    std::vector<int>& log;
    int id;
  };
  const AT_DoubleAttrMeta meta("LEVEL", "Level", "");
  std::vector<int> log;
  Recorder first(log, 1), second(log, 2);
  alignas(AT_DoubleAttr) unsigned char storage[sizeof(AT_DoubleAttr)];
  auto* a = new (storage) AT_DoubleAttr(nullptr, meta);
  AT_DoubleAttr other(nullptr, meta);
  a->addListener(&second);
  a->addListener(&first);
  a->addListener(&second);
  other.addListener(&first);
  a->setSurrogate(std::make_shared<AT_ScalarSimpleAttrSurrogate>(5.0));
  a->setLocalValue(1.0);
  EXPECT_EQ(log, (std::vector<int>{2, 1}));
  EXPECT_EQ(a->value(0), 5.0);
  a->~AT_DoubleAttr();
  auto* b = new (storage) AT_DoubleAttr(nullptr, meta);
  b->setLocalValue(2.0);
  EXPECT_EQ(log, (std::vector<int>{2, 1})) << "the new number has no listeners";
  EXPECT_EQ(b->surrogate(), nullptr);
  EXPECT_EQ(b->value(0), 2.0);
  other.removeListener(&first);
  other.setLocalValue(3.0);
  EXPECT_EQ(log, (std::vector<int>{2, 1}));
  b->~AT_DoubleAttr();
}

} // namespace
