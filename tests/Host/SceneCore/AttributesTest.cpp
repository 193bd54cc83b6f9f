#include <gtest/gtest.h>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
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

} // namespace
