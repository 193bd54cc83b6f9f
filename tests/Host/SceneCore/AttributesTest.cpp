#include <gtest/gtest.h>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/Peg.h"

namespace {

struct Counter : RXListener {
  int count = 0;
  void told(RXTeller*) override { ++count; }
};

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

TEST(CompoundAttributes, ScaleDefaultsToOneAndEachPartAnimatesOnItsOwn) {
  const AT_AttrMeta meta("scale", "Skew");
  AT_Scale3dAttr s(nullptr, meta);
  EXPECT_EQ(s.value(1), Math::Vector3d(1, 1, 1));
  s.y()->setKey(0, 1);
  s.y()->setKey(10, 3);
  EXPECT_EQ(s.value(5), Math::Vector3d(1, 2, 1));
}

TEST(NodeAttributes, PathLookupReachesPartsAndRejectsUnknownOnes) {
  Peg peg;
  EXPECT_EQ(peg.attr(QStringLiteral("POSITION.X")), peg.position()->x());
  EXPECT_EQ(peg.attr(QStringLiteral("SKEW")), peg.skew());
  EXPECT_EQ(peg.attr(QStringLiteral("POSITION.W")), nullptr);
  EXPECT_EQ(peg.attr(QStringLiteral("POSITION.X.Y")), nullptr);
  EXPECT_EQ(peg.attr(QStringLiteral("position")), nullptr);
}

TEST(NodeAttributes, EditsMoveTheCounterAndTellListenersOnce) {
  Peg peg;
  Counter c;
  peg.skew()->addListener(&c);
  const auto before = MO_Revision::current();
  peg.skew()->setLocalValue(12);
  EXPECT_GT(MO_Revision::current(), before);
  EXPECT_EQ(c.count, 1);
  peg.skew()->removeListener(&c);
  peg.skew()->setLocalValue(13);
  EXPECT_EQ(c.count, 1);
}

TEST(NodeAttributes, SettingTheSameTextAgainIsNoEdit) {
  const AT_AttrMeta meta("PARENTNAME", "Parent's Name", true);
  AT_StringAttr s(nullptr, meta, QString(), false, false);
  Counter c;
  s.addListener(&c);
  s.setLocalValue(QStringLiteral("Arm"));
  s.setLocalValue(QStringLiteral("Arm"));
  EXPECT_EQ(c.count, 1);
}

} // namespace
