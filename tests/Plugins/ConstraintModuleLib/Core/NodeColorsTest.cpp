// Node and port colours: the built-in defaults of every row, the fallback row for ids outside
// the table, preferences overriding defaults at the next lookup, and the HSV blend of the gate
// port colours worked out with Qt's own HSV conversion.
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

struct Rgb {
  int r, g, b;
  std::uint32_t packed() const { return qRgb(r, g, b); }
};

struct ColorRowCase {
  int id;
  Rgb first;
  Rgb second;
};

class ConstraintTypeColorsTest : public NodeColorsTest, public ::testing::WithParamInterface<ColorRowCase> {};

TEST_P(ConstraintTypeColorsTest, DefaultsWithoutPreferences) {
  const ColorRowCase& c = GetParam();
  const ColorPair pair = constraintTypeColors(c.id);
  EXPECT_EQ(c.first.packed(), pair.first);
  EXPECT_EQ(c.second.packed(), pair.second);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConstraintTypeColorsTest,
    ::testing::Values(ColorRowCase{0, {90, 115, 40}, {38, 41, 12}}, ColorRowCase{1, {115, 153, 195}, {25, 44, 77}},
                      ColorRowCase{2, {90, 115, 40}, {38, 41, 12}}, ColorRowCase{3, {90, 115, 40}, {38, 41, 12}},
                      ColorRowCase{4, {224, 223, 82}, {224, 223, 82}}, ColorRowCase{5, {97, 209, 152}, {41, 102, 72}},
                      ColorRowCase{6, {144, 243, 17}, {91, 138, 29}}, ColorRowCase{7, {6, 61, 34}, {64, 39, 15}},
                      ColorRowCase{8, {14, 55, 102}, {64, 39, 15}}, ColorRowCase{9, {134, 210, 243}, {20, 78, 102}},
                      ColorRowCase{10, {143, 108, 198}, {143, 108, 198}},
                      ColorRowCase{11, {218, 92, 96}, {218, 92, 96}},
                      // Outside the table, negative ids included: the last row.
                      ColorRowCase{12, {139, 190, 85}, {72, 95, 39}}, ColorRowCase{-1, {139, 190, 85}, {72, 95, 39}}),
    [](const auto& p) {
      return p.param.id < 0 ? std::string("Minus") + std::to_string(-p.param.id) : std::to_string(p.param.id);
    });

TEST_F(NodeColorsTest, PreferenceOverridesTheDefaultAtTheNextLookup) {
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTRAINT_DARK_COLOR"), qRgb(1, 2, 3));
  EXPECT_EQ(qRgb(90, 115, 40), constraintTypeColors(2).first);
  EXPECT_EQ(qRgb(1, 2, 3), constraintTypeColors(2).second);
  EXPECT_EQ(qRgb(38, 41, 12), constraintTypeColors(3).second);
  rxPref->remove(QStringLiteral("NV_MODULE_CONSTRAINT_DARK_COLOR"));
  EXPECT_EQ(qRgb(38, 41, 12), constraintTypeColors(2).second);
}

// The fallback row reads the keys of id 0, so a preference set there shows on both.
TEST_F(NodeColorsTest, FallbackRowSharesTheKeysOfIdZero) {
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTMATRIX_LIGHT_COLOR"), qRgb(9, 8, 7));
  EXPECT_EQ(qRgb(9, 8, 7), constraintTypeColors(0).first);
  EXPECT_EQ(qRgb(9, 8, 7), constraintTypeColors(12).first);
  EXPECT_EQ(qRgb(9, 8, 7), constraintTypeColors(-1).first);
  EXPECT_EQ(qRgb(72, 95, 39), constraintTypeColors(-1).second);
}

TEST_F(NodeColorsTest, SwitchPortColorsDefaultAndPreference) {
  EXPECT_EQ(qRgb(102, 255, 153), switchPortColors().first);
  EXPECT_EQ(qRgb(0, 102, 51), switchPortColors().second);
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_SWITCHPORT_LIGHT_COLOR"), qRgb(10, 20, 30));
  EXPECT_EQ(qRgb(10, 20, 30), switchPortColors().first);
  EXPECT_EQ(qRgb(0, 102, 51), switchPortColors().second);
}

// Hue, saturation and value of both colours as Qt gives them, each midpoint truncated.
TEST_F(NodeColorsTest, GatePortColorBlendHalfwayIsTheTruncatedHsvMidpoint) {
  int h1, s1, v1, h2, s2, v2;
  QColor(144, 243, 17).getHsv(&h1, &s1, &v1);
  QColor(91, 138, 29).getHsv(&h2, &s2, &v2);
  const std::uint32_t expected = QColor::fromHsv((h1 + h2) / 2, (s1 + s2) / 2, (v1 + v2) / 2).rgb();
  EXPECT_EQ(expected, gatePortColorBlend(0.5));
}

// Blending in HSV, not RGB: a half-way blend of pure red and pure blue through hue 120 is green.
TEST_F(NodeColorsTest, GatePortColorBlendFollowsPreferencesAndBlendsHue) {
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTGATE_MATRIX_TARGETCOLOUR"), qRgb(0, 0, 255));  // hue 240
  rxPref->setRgbaValue(QStringLiteral("NV_MODULE_CONSTGATE_MATRIX_DEFAULTCOLOUR"), qRgb(255, 0, 0)); // hue 0
  EXPECT_EQ(qRgb(0, 255, 0), gatePortColorBlend(0.5));
  EXPECT_EQ(qRgb(255, 0, 0), gatePortColorBlend(0.0));
  EXPECT_EQ(qRgb(0, 0, 255), gatePortColorBlend(1.0));
}

} // namespace
