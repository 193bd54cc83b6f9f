// Node and port colours: the built-in defaults, the fallback row for ids outside the table, and
// preferences overriding defaults at the next lookup. (The gate ports' HSV blend is the node
// view's TheGatesPortsFollowTheSwitch.)
#include <gtest/gtest.h>

#include <QColor>

#include "Core/NodeColors.h"
#include "HostInterface/HostPreferences.h"

namespace {

class NodeColorsTest : public ::testing::Test {
protected:
  void SetUp() override { rxPref->clear(); }
  void TearDown() override { rxPref->clear(); }
};

TEST_F(NodeColorsTest, DefaultsPerTypeIdWithTheLastRowOutsideTheTable) {
  const struct {
    int id;
    QRgb light, dark;
  } rows[] = {{0, qRgb(90, 115, 40), qRgb(38, 41, 12)},   {5, qRgb(97, 209, 152), qRgb(41, 102, 72)},
              {7, qRgb(6, 61, 34), qRgb(64, 39, 15)},     {11, qRgb(218, 92, 96), qRgb(218, 92, 96)},
              {12, qRgb(139, 190, 85), qRgb(72, 95, 39)}, {-1, qRgb(139, 190, 85), qRgb(72, 95, 39)}};
  for (const auto& r : rows) {
    EXPECT_EQ(r.light, constraintTypeColors(r.id).first) << r.id;
    EXPECT_EQ(r.dark, constraintTypeColors(r.id).second) << r.id;
  }
  EXPECT_EQ(ColorPair(qRgb(102, 255, 153), qRgb(0, 102, 51)), switchPortColors());
}

// A preference shows at the next lookup and only on the rows reading its key; the fallback row
// reads the keys of id 0.
TEST_F(NodeColorsTest, PreferencesOverrideTheDefaultsOfTheRowsReadingTheirKeys) {
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTRAINT_DARK_COLOR"), qRgb(1, 2, 3));
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTMATRIX_LIGHT_COLOR"), qRgb(9, 8, 7));
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_SWITCHPORT_LIGHT_COLOR"), qRgb(10, 20, 30));
  EXPECT_EQ(ColorPair(qRgb(90, 115, 40), qRgb(1, 2, 3)), constraintTypeColors(2));
  EXPECT_EQ(qRgb(38, 41, 12), constraintTypeColors(3).second);
  for (int id : {0, 12, -1})
    EXPECT_EQ(qRgb(9, 8, 7), constraintTypeColors(id).first) << id;
  EXPECT_EQ(qRgb(72, 95, 39), constraintTypeColors(-1).second);
  EXPECT_EQ(ColorPair(qRgb(10, 20, 30), qRgb(0, 102, 51)), switchPortColors());
  rxPref->remove(QStringLiteral("NV_MODULE_CONSTRAINT_DARK_COLOR"));
  EXPECT_EQ(qRgb(38, 41, 12), constraintTypeColors(2).second);
}

} // namespace
