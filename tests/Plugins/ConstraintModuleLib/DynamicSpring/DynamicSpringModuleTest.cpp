// The spring node in scenes read by the real loader: following and holding, the order frames
// are asked in, edits upstream, restarts, match exposures, the static parent's climb, the
// frame-change test, the trail and the switch port's colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

#include "Common/HandMatrices.h"
#include "DynamicSpring/DynamicSpringModule.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"
#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

using hand::matrixNear;

std::unique_ptr<SC_SceneCommon> load(const QString& nodes) {
  PIO_LoadError error;
  auto scene = PIO_SceneReader::readData(QStringLiteral("<scene version=\"1\" frames=\"1-40\">%1</scene>").arg(nodes).toUtf8(),
                                         QStringLiteral("spring.xml"), &error);
  EXPECT_TRUE(scene) << error.toString().toStdString();
  return scene;
}

std::unique_ptr<SC_SceneCommon> tail() {
  PIO_LoadError error;
  return PIO_SceneReader::readFile(QStringLiteral(VANTOREL_EXAMPLES "/spring_tail.xml"), &error);
}

Math::Matrix4x4 at(SC_SceneCommon& scene, const char* node, double frame) {
  return SC_SceneEvaluator(scene).evaluate(scene.findNode(QString::fromLatin1(node)), frame);
}

DynamicSpringModule* spring(SC_SceneCommon& scene, const char* node) {
  return dynamic_cast<DynamicSpringModule*>(scene.findNode(QString::fromLatin1(node)));
}

// Every tension and inertia of the spring (percent).
QString gains(double tension, double inertia) {
  QString s;
  for (const char* channel : {"X", "Y", "Z", "SCALE", "SKEW", "ROTATE"})
    s += QStringLiteral("<attr keyword=\"TENSION%1\" value=\"%2\"/><attr keyword=\"INERTIA%1\" value=\"%3\"/>")
             .arg(QLatin1String(channel)).arg(tension).arg(inertia);
  return s;
}

// A peg turning about every axis, scaled (x mirrored), skewed and moving; a spring on it.
const QString kTumbling = QStringLiteral(
    "<node type=\"Peg\" name=\"In\"><attr keyword=\"PIVOT.X\" value=\"3\"/>"
    "<attr keyword=\"POSITION.X\"><key frame=\"1\" value=\"0\"/><key frame=\"20\" value=\"30\"/></attr>"
    "<attr keyword=\"ROTATION.ANGLEX\"><key frame=\"1\" value=\"0\"/><key frame=\"20\" value=\"70\"/></attr>"
    "<attr keyword=\"ROTATION.ANGLEY\"><key frame=\"1\" value=\"10\"/><key frame=\"20\" value=\"-50\"/></attr>"
    "<attr keyword=\"ROTATION.ANGLEZ\"><key frame=\"1\" value=\"0\"/><key frame=\"20\" value=\"160\"/></attr>"
    "<attr keyword=\"SCALE.X\"><key frame=\"1\" value=\"-1\"/><key frame=\"20\" value=\"-2\"/></attr>"
    "<attr keyword=\"SKEW\"><key frame=\"1\" value=\"0\"/><key frame=\"20\" value=\"25\"/></attr></node>"
    "<node type=\"DynamicSpring\" name=\"S\">%1</node><link from=\"In\" to=\"S\" toPort=\"0\"/>");

TEST(DynamicSpring, FullTensionFollowsTheInputAndZeroTensionHoldsTheFirstFrame) {
  auto follow = load(kTumbling.arg(gains(100, 0))), hold = load(kTumbling.arg(gains(0, 0)));
  for (int f = 1; f <= 20; ++f) {
    EXPECT_TRUE(matrixNear(at(*follow, "S", f), at(*follow, "In", f), 1e-9)) << "frame " << f;
    EXPECT_TRUE(matrixNear(at(*hold, "S", f), at(*hold, "In", 1), 1e-9)) << "frame " << f;
  }
}

// Frames asked alone, from the middle, backwards or shuffled give the bits of a run from frame 1.
TEST(DynamicSpring, ResultsDoNotDependOnTheOrderFramesAreAskedIn) {
  const char* nodes[] = {"Root", "Mid", "Tip"};
  std::map<std::pair<int, int>, Math::Matrix4x4> forward;
  auto scene = tail();
  for (int f = 1; f <= 40; ++f)
    for (int n = 0; n < 3; ++n)
      forward[{n, f}] = at(*scene, nodes[n], f);
  std::vector<int> shuffled(40);
  std::iota(shuffled.begin(), shuffled.end(), 1);
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5u));
  std::vector<int> backwards(shuffled.size());
  std::iota(backwards.rbegin(), backwards.rend(), 1);
  const std::vector<std::vector<int>> orders = {{37}, {20, 21, 22, 23, 30, 40}, backwards, shuffled};
  for (const auto& order : orders) {
    auto fresh = tail();
    for (int f : order)
      for (int n = 0; n < 3; ++n)
        EXPECT_EQ(at(*fresh, nodes[n], f), (forward[{n, f}])) << nodes[n] << " frame " << f;
  }

  // The body's key at 36 moves: its path changes after frame 24, and so does every spring's.
  static_cast<AT_DoubleAttr*>(scene->findNode("Body")->attr("POSITION.X"))->setKey(36, 20);
  for (int f : shuffled)
    for (int n = 0; n < 3; ++n)
      EXPECT_EQ(at(*scene, nodes[n], f) == (forward[{n, f}]), f <= 24) << nodes[n] << " frame " << f;
}

// Records the frames it is asked for.
class Probe : public MO_Module {
public:
  Probe() { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("Probe"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    asked.push_back(ctx.frame());
    return MO_Module::computeTransformation(ctx);
  }
  std::vector<double> asked;
};

TEST(DynamicSpring, AFarFrameComputesTheFramesBeforeItOnceInIncreasingOrder) {
  SC_SceneCommon scene;
  auto* probe = static_cast<Probe*>(scene.addNode(std::make_unique<Probe>()));
  MO_Module* node = scene.addNode(std::make_unique<DynamicSpringModule>());
  node->link(0, probe, 0);
  SC_SceneEvaluator(scene).evaluate(node, 100);
  std::vector<double> expected(100);
  std::iota(expected.begin(), expected.end(), 0.0);
  expected[0] = 100;
  EXPECT_EQ(probe->asked, expected);
  // After an edit, stepping frame 50 again drops what followed it.
  probe->touch();
  SC_SceneEvaluator(scene).evaluate(node, 50);
  EXPECT_EQ(static_cast<DynamicSpringModule*>(node)->history().size(), 51u);
}

// x runs 0, 1, 2, ... (drawing units) and the peg turns 10° a frame about its pivot at x = 1;
// half the distance is taken each frame, with no inertia.
TEST(DynamicSpring, AnActivityOfZeroPassesTheInputAndRestartsTheSpring) {
  auto scene = load(QStringLiteral(
      "<node type=\"Peg\" name=\"In\"><attr keyword=\"PIVOT.X\" value=\"12\"/><attr keyword=\"POSITION.X\">"
      "<key frame=\"1\" value=\"0\"/><key frame=\"40\" value=\"468\"/></attr><attr keyword=\"ROTATION.ANGLEZ\">"
      "<key frame=\"1\" value=\"0\"/><key frame=\"40\" value=\"390\"/></attr></node>"
      "<node type=\"DynamicSpring\" name=\"S\">%1<attr keyword=\"ACTIVE\">"
      "<key frame=\"1\" value=\"100\" interpolation=\"constant\"/><key frame=\"10\" value=\"0\" "
      "interpolation=\"constant\"/><key frame=\"11\" value=\"100\"/></attr></node>"
      "<link from=\"In\" to=\"S\" toPort=\"0\"/>").arg(gains(50, 0)));
  using namespace hand;
  // Behind the ramp by lag(f) = (1 + lag(f − 1)) / 2 frames from lag(1) = 0: 1 − 2^−8 at frame 9.
  const double lag = 1.0 - 1.0 / 256.0;
  EXPECT_TRUE(matrixNear(at(*scene, "S", 9), T(8 - lag, 0, 0) * T(1, 0, 0) * Rz(80 - 10 * lag) * T(-1, 0, 0), 1e-12));
  EXPECT_TRUE(matrixNear(at(*scene, "S", 10), T(9, 0, 0) * T(1, 0, 0) * Rz(90) * T(-1, 0, 0), 1e-12));
  EXPECT_TRUE(matrixNear(at(*scene, "S", 11), T(9.5, 0, 0) * T(1, 0, 0) * Rz(95) * T(-1, 0, 0), 1e-12));
}

TEST(DynamicSpring, MatchExposuresHoldsBetweenKeysWhileTheStateAdvances) {
  auto matched = tail(), plain = tail();
  spring(*plain, "Mid")->matchexposuresAttr()->setLocalValue(false);
  // Without keys on ACTIVE every frame is an update frame.
  spring(*matched, "Root")->matchexposuresAttr()->setLocalValue(true);
  for (int f = 1; f <= 40; ++f) {
    EXPECT_EQ(at(*matched, "Mid", f), at(*plain, "Mid", f % 2 ? f : f - 1)) << "frame " << f;
    EXPECT_EQ(at(*matched, "Root", f), at(*plain, "Root", f)) << "frame " << f;
  }
}

struct ParentRow {
  const char* name;
  double ignore;
  const char* parentName;
  bool staticInput;  // Parent linked to the Static Transform input
  bool follows;      // the parent's own motion arrives without lag
};

class SpringParent : public ::testing::TestWithParam<ParentRow> {};

// Child sits still under Parent, which moves under Top: in Parent's space nothing moves.
TEST_P(SpringParent, RunsInTheSpaceOfTheChosenParent) {
  const ParentRow& row = GetParam();
  auto scene = load(QStringLiteral(
      "<node type=\"Peg\" name=\"Top\"><attr keyword=\"POSITION.Y\"><key frame=\"1\" value=\"0\"/>"
      "<key frame=\"20\" value=\"40\"/></attr></node>"
      "<node type=\"Peg\" name=\"Parent\"><attr keyword=\"ROTATION.ANGLEZ\"><key frame=\"1\" value=\"0\"/>"
      "<key frame=\"20\" value=\"120\"/></attr><attr keyword=\"POSITION.X\"><key frame=\"1\" value=\"0\"/>"
      "<key frame=\"20\" value=\"24\"/></attr></node>"
      "<node type=\"Peg\" name=\"Child\"><attr keyword=\"POSITION.X\" value=\"6\"/></node>"
      "<node type=\"DynamicSpring\" name=\"S\"><attr keyword=\"PIGNORE\" value=\"%1\"/>"
      "<attr keyword=\"PARENTNAME\" value=\"%2\"/></node>"
      "<link from=\"Top\" to=\"Parent\" toPort=\"0\"/><link from=\"Parent\" to=\"Child\" toPort=\"0\"/>"
      "<link from=\"Child\" to=\"S\" toPort=\"0\"/>%3")
                        .arg(row.ignore).arg(QLatin1String(row.parentName),
                             row.staticInput ? QStringLiteral("<link from=\"Parent\" to=\"S\" toPort=\"1\"/>") : QString()));
  double worst = 0;
  for (int f = 1; f <= 20; ++f)
    for (int i = 0; i < 16; ++i)
      worst = std::max(worst, std::fabs(at(*scene, "S", f)[i] - at(*scene, "Child", f)[i]));
  EXPECT_EQ(worst < 1e-9, row.follows) << "largest difference " << worst;
}

INSTANTIATE_TEST_SUITE_P(
    Parents, SpringParent,
    ::testing::Values(ParentRow{"StaticInput", 0, "", true, true}, ParentRow{"OneLevelUp", 1, "", false, true},
                      ParentRow{"NamedBeforeANegativeCountEnds", -1, "Parent", false, true},
                      ParentRow{"NamedTwoUp", 5, "Top", false, false},
                      ParentRow{"ChainEndsFirst", 5, "", false, false}, ParentRow{"World", 0, "Parent", false, false}),
    [](const ::testing::TestParamInfo<ParentRow>& p) { return std::string(p.param.name); });

TEST(DynamicSpring, FrameChangesAreCleanOnlyWithoutActivityOrBetweenUpdateFrames) {
  const struct {
    bool match, keyed;
    double local, first, second;
    bool dirty;
  } rows[] = {
      {false, false, 0, 1, 5, false},  {false, false, 100, 1, 2, true}, {true, false, 100, 2, 3, true},
      {true, true, 100, 2, 4, false},  {true, true, 100, 4, 2, false},  {true, true, 100, 2, 6, true},
      {true, true, 100, 4, 5, true},   {true, true, 100, 5, 2, false},
  };
  for (const auto& r : rows) {
    SC_SceneCommon scene;
    auto* node = static_cast<DynamicSpringModule*>(scene.addNode(std::make_unique<DynamicSpringModule>()));
    node->matchexposuresAttr()->setLocalValue(r.match);
    node->activeAttr()->setLocalValue(r.local);
    if (r.keyed)  // update frames 1 and 5
      for (double k : {1.0, 5.0})
        node->activeAttr()->setKey(k, 100, AT_Keys::Constant);
    EXPECT_EQ(node->isDirtyOnFrameKeyChange(MO_FrameKey(r.first), MO_FrameKey(r.second)), r.dirty)
        << r.first << " to " << r.second << (r.match ? " matching" : "");
  }
}

TEST(DynamicSpring, TrailShowsThePivotsPathInLineViewsFadingInThenGreen) {
  auto scene = load(kTumbling.arg(QString()));
  auto* node = spring(*scene, "S");
  const Math::Point3d pivot(0.25, 0, 0);  // PIVOT.X 3 at 1/12
  Math::CameraTransformChain top;
  top.setViewport(Math::Rect2d(0, 0, 200, 100));
  top.setViewMatrix(Math::Matrix4x4(1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1));
  top.setProjectionMatrix(Math::Matrix4x4(0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, -0.01, 0, 0, 0, 0, 1));
  VU_Drawing drawing, front;
  CC_CameraChainTransformCanvasBinder binder(top, &drawing), frontBinder(Math::CameraTransformChain(), &front);
  binder.setModelMatrix(hand::T(5, 0, 0));  // the view's space for the control: the points stay where they are
  node->oglRenderControl(MO_OGLContext(MO_OGLContext::eNormalMode, MO_FrameKey(10), &binder));
  node->oglRenderControl(MO_OGLContext(MO_OGLContext::eNormalMode, MO_FrameKey(10), &frontBinder));
  EXPECT_TRUE(front.primitives().empty());
  const auto& p = drawing.primitives();
  ASSERT_EQ(p.size(), 17u);  // frames 5 to 13: a point each, a line from each to the next
  const struct {
    int frame;
    VS_RGBA colour;
    double size;
  } rows[] = {{5, {0, 0, 255, 42}, 2.75}, {10, {0, 0, 255, 255}, 9.0}, {13, {0, 255, 0, 127}, 8.75}};
  for (const auto& r : rows) {
    const auto& point = p[2 * (r.frame - 5) - (r.frame > 5 ? 1 : 0)];
    EXPECT_EQ(point.kind, VU_Drawing::ePoint);
    EXPECT_EQ(point.pointFill, r.colour);
    EXPECT_NEAR(point.pointSize, r.size, 1e-6);
    const Math::Point3d expected = at(*scene, "S", r.frame) * pivot;
    EXPECT_NEAR(point.points[0].x, expected.x, 1e-12) << r.frame;
    EXPECT_NEAR(point.points[0].z, expected.z, 1e-12) << r.frame;
  }
  EXPECT_EQ(binder.modelMatrix(), hand::T(5, 0, 0));
  EXPECT_EQ(p[16].kind, VU_Drawing::eLine);
  EXPECT_EQ(p[16].lineStroke, (VS_RGBA{0, 255, 0, 127}));
}

} // namespace
