// Attribute edits by keyword: a value refused says exactly what the scene reader says about the
// same value in a file, and leaves the scene, its matrices and its history as they were; an
// accepted value lands where an editor puts it (a key at the frame given, a key at the current
// frame on an animated attribute, else the attribute's own value, a key keeping its
// interpolation).
#include <gtest/gtest.h>

#include <optional>

#include "PersistentObj/PIO_SceneWriter.h"
#include "Preference/PR_Preference.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SessionError.h"
#include "SessionTestSupport.h"

namespace {

struct Refusal {
  const char* name;
  const char* scene;
  const char* node;
  const char* keyword;
  const char* text;
  std::optional<double> frame;
  bool unknownName; // UnknownNameError rather than BadArgumentError
};

class RefusedEdit : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedEdit, SaysWhatTheReaderSaysAndChangesNothing) {
  const Refusal& row = GetParam();
  const std::unique_ptr<Session> s = openExample(row.scene);
  s->setCurrentFrame(10);
  const std::vector<double> before = everyMatrix(*s);
  const QByteArray file = PIO_SceneWriter::writeData(s->scene());
  const QString type = s->nodeInfo(row.node).type;
  try {
    s->setAttribute(row.node, row.keyword, QString::fromLatin1(row.text), row.frame);
    FAIL() << "accepted";
  } catch (const UnknownNameError& e) {
    EXPECT_TRUE(row.unknownName);
    EXPECT_EQ(e.message(), readerSays(type, row.node, row.keyword, row.text, row.frame));
  } catch (const BadArgumentError& e) {
    EXPECT_FALSE(row.unknownName);
    EXPECT_EQ(e.message(), readerSays(type, row.node, row.keyword, row.text, row.frame));
  }
  EXPECT_TRUE(s->history().isEmpty());
  EXPECT_FALSE(s->isModified());
  EXPECT_EQ(PIO_SceneWriter::writeData(s->scene()), file);
  EXPECT_EQ(everyMatrix(*s), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedEdit,
    ::testing::Values(Refusal{"outOfRange", "two_points_arm.xml", "Arm", "STRETCHMAX", "2e10", {}, false},
                      Refusal{"notANumber", "two_points_arm.xml", "Hand", "SKEW", "nan", {}, false},
                      Refusal{"unknownOption", "two_points_arm.xml", "Arm", "FLATTENTYPE", "SQUASH", {}, false},
                      Refusal{"optionByDisplayText", "two_points_arm.xml", "Arm", "FLATTENTYPE", "Flatten", {}, false},
                      Refusal{"notAFlag", "limit_forearm.xml", "Limit", "UNIFORMSCALE", "maybe", {}, false},
                      Refusal{"compoundWhole", "two_points_arm.xml", "Hand", "POSITION", "1", {}, false},
                      Refusal{"unknownKeyword", "two_points_arm.xml", "Arm", "STRETCH", "1", {}, true},
                      Refusal{"keyOnAPivot", "two_points_arm.xml", "Hand", "PIVOT.X", "3", 5.0, false},
                      Refusal{"keyOnAnOption", "two_points_arm.xml", "Arm", "FLATTENTYPE", "ALLOW", 5.0, false},
                      Refusal{"keyNotANumber", "two_points_arm.xml", "Hand", "POSITION.X", "abc", 10.0, false},
                      Refusal{"keyOutOfRange", "two_points_arm.xml", "Arm", "STRETCHMAX", "-2e10", 3.0, false}),
    [](const ::testing::TestParamInfo<Refusal>& row) { return std::string(row.param.name); });

// A peg whose x is keyed at 1 (held: constant) and at 10, and whose y is its own value 2.
const char* const kKeyed = R"(<scene version="1" frames="1-20"><node type="Peg" name="A">
  <attr keyword="POSITION.X"><key frame="1" value="0" interpolation="constant"/><key frame="10" value="5" interpolation="smooth"/></attr>
  <attr keyword="POSITION.Y" value="2"/></node></scene>)";

struct Landing {
  const char* name;
  const char* keyword;
  std::optional<double> frame;
  std::vector<KeyInfo> keys; // what the attribute then holds
  double valueAtCurrent;     // its value at the current frame, 7
};

class AcceptedEdit : public ::testing::TestWithParam<Landing> {};

TEST_P(AcceptedEdit, LandsWhereAnEditorPutsIt) {
  const std::unique_ptr<Session> s = Session::openData(kKeyed, QStringLiteral("keyed.xml"));
  s->setCurrentFrame(7);
  s->setAttribute("A", GetParam().keyword, 4.0, GetParam().frame);
  const AttributeInfo a = s->attribute("A", GetParam().keyword);
  ASSERT_EQ(a.keys.size(), GetParam().keys.size());
  for (std::size_t k = 0; k < a.keys.size(); ++k) {
    EXPECT_EQ(a.keys[k].frame, GetParam().keys[k].frame) << k;
    EXPECT_EQ(a.keys[k].value, GetParam().keys[k].value) << k;
    EXPECT_EQ(a.keys[k].constant, GetParam().keys[k].constant) << k;
    EXPECT_EQ(a.keys[k].smooth, GetParam().keys[k].smooth) << k;
  }
  EXPECT_EQ(a.number, GetParam().valueAtCurrent);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AcceptedEdit,
    ::testing::Values(
        // Animated, no frame: a new key at the current frame; 7 lay in the constant stretch.
        Landing{
            "animatedKeysTheCurrentFrame", "POSITION.X", {}, {{1, 0, true}, {7, 4, false}, {10, 5, false, true}}, 4},
        // A key already there keeps its interpolation.
        Landing{"existingKeyKeepsItsInterpolation", "POSITION.X", 1.0, {{1, 4, true}, {10, 5, false, true}}, 4},
        // Not animated, no frame: the attribute's own value.
        Landing{"ownValue", "POSITION.Y", {}, {}, 4},
        // Not animated, a frame: its first key, which holds at every frame.
        Landing{"firstKey", "POSITION.Y", 12.0, {{12, 4, false}}, 4}),
    [](const ::testing::TestParamInfo<Landing>& row) { return std::string(row.param.name); });

TEST(AttributeEdit, AStepPreferenceSetsTheStepEditorsOffer) {
  const std::unique_ptr<Session> s = openExample("limit_forearm.xml");
  const double declared = s->attribute("Limit", "ROT").step, active = s->attribute("Limit", "ACTIVE").step;
  rxPref->setDoubleValue(QStringLiteral("DBL_STEP_CONSTRAINT_RATIO"), 2.5);
  EXPECT_EQ(s->attribute("Limit", "ROT").step, 2.5);
  EXPECT_EQ(s->attribute("Limit", "ACTIVE").step, active) << "another key";
  rxPref->remove(QStringLiteral("DBL_STEP_CONSTRAINT_RATIO"));
  EXPECT_EQ(s->attribute("Limit", "ROT").step, declared);
}

} // namespace
