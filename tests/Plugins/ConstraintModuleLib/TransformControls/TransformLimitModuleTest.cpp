// The limit node in scenes read by the real loader: the reference frame it measures against
// (keeping no rotation, its output is that frame), a switch acting on the percentages its type
// names (the same as setting them by hand) and percentages held to 0..100. The control as drawn
// is checked by picking it (TransformLimitDragManipulatorTest).
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/TransformLimitModule.h"
#include "TransformControlsTestUtil.h"

namespace {

using namespace tctest;

QString a(const char* keyword, const QString& value) {
  return QStringLiteral(R"(<attr keyword="%1" value="%2"/>)").arg(QLatin1String(keyword), value);
}
QString a(const char* keyword, double value) { return a(keyword, QString::number(value)); }

// Pegs Root 10°, Mid 20°, Top 30° in a chain turning about the origin, Arm 45° below them (with
// `arm`'s parts), a peg Forced at 5°, a switch at 40 %, and the limit under Arm.
std::unique_ptr<SC_SceneCommon> load(const QString& limit, const QString& more = {}, const QString& arm = {}) {
  const QString xml = QStringLiteral(R"(<scene version="1" frames="1-10">
    <node type="Peg" name="Root"><attr keyword="ROTATION.ANGLEZ" value="10"/></node>
    <node type="Peg" name="Mid"><attr keyword="ROTATION.ANGLEZ" value="20"/></node>
    <node type="Peg" name="Top"><attr keyword="ROTATION.ANGLEZ" value="30"/></node>
    <node type="Peg" name="Arm"><attr keyword="ROTATION.ANGLEZ" value="45"/>%3</node>
    <node type="Peg" name="Forced"><attr keyword="ROTATION.ANGLEZ" value="5"/></node>
    <node type="Switch" name="Switch"><attr keyword="ACTIVE" value="40"/></node>
    <node type="TransformLimit" name="Limit">%1</node>
    <link from="Root" to="Mid" toPort="0"/><link from="Mid" to="Top" toPort="0"/>
    <link from="Top" to="Arm" toPort="0"/><link from="Arm" to="Limit" toPort="0"/>%2</scene>)")
                          .arg(limit, more, arm);
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readData(xml.toUtf8(), QStringLiteral("test"), &error);
  EXPECT_NE(scene, nullptr) << qPrintable(error.toString());
  return scene;
}

Math::Matrix4x4 limitAt(SC_SceneCommon& scene) {
  return SC_SceneEvaluator(scene).evaluate(scene.findNode(QStringLiteral("Limit")), 1);
}

TEST(TransformLimitModule, MeasuresAgainstTheForcedInputElseTheAncestorTheClimbReaches) {
  const QString forced = QStringLiteral(R"(<link from="Forced" to="Limit" toPort="1"/>)");
  const struct {
    QString attrs, more;
    double angle;  // of the reference frame
  } rows[] = {{"", {}, 0},  // the world
              {a("PIGNORE", 0.9), {}, 0},
              {a("PIGNORE", 1), {}, 60},  // the output of Top, the node above Arm
              {a("PIGNORE", 2), {}, 30},
              {a("PIGNORE", 9), {}, 10},  // the climb ends at the top
              {a("PIGNORE", -1), {}, 10},
              {a("PIGNORE", 3) + a("PARENTNAME", "Top"), {}, 60},
              {a("PIGNORE", 2), forced, 5}};
  for (const auto& r : rows) {
    auto scene = load(a("ROT", 0) + r.attrs, r.more);
    EXPECT_TRUE(matrixNear(limitAt(*scene), Rz(r.angle), 1e-12)) << qPrintable(r.attrs + r.more);
  }
}

// ACTIVE 100 and every share 70 unless given otherwise, about a control off the origin, on a
// moved, skewed and stretched arm.
std::unique_ptr<SC_SceneCommon> shares(const std::map<std::string, double>& given, const QString& extra = {},
                                       const QString& more = {}) {
  QString attrs = a("POS.X", 3) + extra;
  for (const char* k : {"ACTIVE", "TX", "TY", "TZ", "SX", "SY", "ROT", "SKEW"})
    attrs += a(k, given.count(k) ? given.at(k) : std::string(k) == "ACTIVE" ? 100 : 70);
  return load(attrs, more, a("SKEW", 15) + a("POSITION.X", 6) + a("POSITION.Z", -5) + a("SCALE.X", 2));
}

TEST(TransformLimitModule, ASwitchScalesThePercentagesItsTypeNamesAndPercentagesAreHeldToTheirRange) {
  const struct {
    const char* type;
    std::vector<const char*> scaled;  // what a switch at 40 % stands for
  } rows[] = {{"TRANSLATE", {"TX", "TY", "TZ"}}, {"SCALE", {"SX", "SY"}}, {"ROTATION", {"ROT"}},
              {"SKEW", {"SKEW"}},                {"SCALESKEW", {"SKEW", "SX", "SY"}}, {"ACTIVE", {"ACTIVE"}}};
  for (const auto& r : rows) {
    std::map<std::string, double> byHand;
    for (const char* k : r.scaled)
      byHand[k] = std::string(k) == "ACTIVE" ? 40 : 28;
    auto switched = shares({}, a("SWITCHTYPE", r.type), R"(<link from="Switch" to="Limit" toPort="2"/>)");
    EXPECT_TRUE(matrixNear(limitAt(*switched), limitAt(*shares(byHand)), 1e-12)) << r.type;
  }
  EXPECT_TRUE(matrixNear(limitAt(*shares({{"ACTIVE", 250}, {"TX", -20}})), limitAt(*shares({{"TX", 0}})), 1e-15));
}

} // namespace
