// The spring node in scenes read by the real loader: the order frames are computed in, a switch
// dragged to a new activity, restarts, the frame-change test and the trail. (Following and
// holding at every tension, frames asked alone or out of order, edits upstream, match exposures
// and the static parent's climb are checked against the reference on random scenes.)
#include <gtest/gtest.h>

#include <numeric>

#include "Common/HandMatrices.h"
#include "Common/SceneText.h"
#include "DynamicSpring/DynamicSpringModule.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "TransformControls/Switch.h"

namespace {

using namespace hand;

std::unique_ptr<SC_SceneCommon> load(const QString& nodes) { return scenetext::readNodes(nodes, 40); }

Math::Matrix4x4 at(SC_SceneCommon& scene, const char* node, double frame) {
  return SC_SceneEvaluator(scene).evaluate(scene.findNode(QString::fromLatin1(node)), frame);
}

// Every tension and inertia of the spring (percent).
QString gains(double tension, double inertia) {
  QString s;
  for (const char* channel : {"X", "Y", "Z", "SCALE", "SKEW", "ROTATE"})
    s += QStringLiteral("<attr keyword=\"TENSION%1\" value=\"%2\"/><attr keyword=\"INERTIA%1\" value=\"%3\"/>")
             .arg(QLatin1String(channel))
             .arg(tension)
             .arg(inertia);
  return s;
}

QString ramp(const char* keyword, double from, double to) {
  return QStringLiteral("<attr keyword=\"%1\"><key frame=\"1\" value=\"%2\"/><key frame=\"20\" value=\"%3\"/></attr>")
      .arg(QLatin1String(keyword))
      .arg(from)
      .arg(to);
}

// A peg turning about every axis, mirrored, skewed and moving, pivot at x = 3; a spring on it.
const QString kTumbling = QStringLiteral("<node type=\"Peg\" name=\"In\"><attr keyword=\"PIVOT.X\" value=\"3\"/>") +
                          ramp("POSITION.X", 0, 30) + ramp("ROTATION.ANGLEX", 0, 70) +
                          ramp("ROTATION.ANGLEY", 10, -50) + ramp("ROTATION.ANGLEZ", 0, 160) + ramp("SCALE.X", -1, -2) +
                          ramp("SKEW", 0, 25) +
                          QStringLiteral("</node><node type=\"DynamicSpring\" name=\"S\">%1</node>"
                                         "<link from=\"In\" to=\"S\" toPort=\"0\"/>");

// Dragging the switch knob stands a new activity in without editing anything: the frames kept
// from before are computed again under it, as a scene with that activity set gives them.
TEST(DynamicSpring, ASwitchDraggedToANewActivityRecomputesTheKeptFrames) {
  const QString nodes = kTumbling.arg(gains(30, 60)) +
                        QStringLiteral("<node type=\"Switch\" name=\"K\"><attr keyword=\"ACTIVE\" value=\"%1\"/>"
                                       "</node><link from=\"K\" to=\"S\" toPort=\"2\"/>");
  auto dragged = load(nodes.arg(100)), set = load(nodes.arg(40));
  at(*dragged, "S", 12);
  static_cast<Switch*>(dragged->findNode(QStringLiteral("K")))
      ->activeAttr()
      ->setSurrogate(std::make_shared<AT_ScalarSimpleAttrSurrogate>(40.0));
  for (int f : {12, 6})
    EXPECT_TRUE(matrixNear(at(*dragged, "S", f), at(*set, "S", f), 1e-12)) << "frame " << f;
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
  auto* node = static_cast<DynamicSpringModule*>(scene.addNode(std::make_unique<DynamicSpringModule>()));
  node->link(0, probe, 0);
  SC_SceneEvaluator(scene).evaluate(node, 100);
  std::vector<double> expected(100);
  std::iota(expected.begin(), expected.end(), 0.0);
  expected[0] = 100;
  EXPECT_EQ(probe->asked, expected);
  probe->touch(); // stepping frame 50 again after an edit drops what followed it
  SC_SceneEvaluator(scene).evaluate(node, 50);
  EXPECT_EQ(node->history().size(), 51u);
}

// x runs 0, 1, 2, ... (drawing units) and the peg turns 10° a frame about its pivot at x = 1; half
// the distance is taken each frame, so the spring falls behind by lag(f) = (1 + lag(f − 1)) / 2
// frames, 1 − 2^−8 at frame 9; ACTIVE 0 at frame 10 restarts it from the input.
TEST(DynamicSpring, AnActivityOfZeroPassesTheInputAndRestartsTheSpring) {
  auto scene = load(QStringLiteral("<node type=\"Peg\" name=\"In\"><attr keyword=\"PIVOT.X\" value=\"12\"/>%1%2</node>"
                                   "<node type=\"DynamicSpring\" name=\"S\">%3<attr keyword=\"ACTIVE\">"
                                   "<key frame=\"1\" value=\"100\" interpolation=\"constant\"/><key frame=\"10\" "
                                   "value=\"0\" interpolation=\"constant\"/><key frame=\"11\" value=\"100\"/></attr>"
                                   "</node><link from=\"In\" to=\"S\" toPort=\"0\"/>")
                        .arg(ramp("POSITION.X", 0, 228), ramp("ROTATION.ANGLEZ", 0, 190), gains(50, 0)));
  const double lag = 1.0 - 1.0 / 256.0;
  EXPECT_TRUE(matrixNear(at(*scene, "S", 9), T(8 - lag, 0, 0) * T(1, 0, 0) * Rz(80 - 10 * lag) * T(-1, 0, 0), 1e-12));
  EXPECT_TRUE(matrixNear(at(*scene, "S", 10), T(9, 0, 0) * T(1, 0, 0) * Rz(90) * T(-1, 0, 0), 1e-12));
  EXPECT_TRUE(matrixNear(at(*scene, "S", 11), T(9.5, 0, 0) * T(1, 0, 0) * Rz(95) * T(-1, 0, 0), 1e-12));
}

TEST(DynamicSpring, FrameChangesAreCleanOnlyWithoutActivityOrBetweenUpdateFrames) {
  const struct {
    bool match, keyed; // keys at 1 and 5
    double active, first, second;
    bool dirty;
  } rows[] = {{false, false, 0, 1, 5, false}, {false, false, 100, 1, 2, true}, {true, false, 100, 2, 3, true},
              {true, true, 100, 2, 4, false}, {true, true, 100, 5, 2, false},  {true, true, 100, 2, 6, true},
              {true, true, 100, 4, 5, true}};
  for (const auto& r : rows) {
    DynamicSpringModule node;
    node.matchexposuresAttr()->setLocalValue(r.match);
    node.activeAttr()->setLocalValue(r.active);
    for (double k : r.keyed ? std::vector<double>{1, 5} : std::vector<double>{})
      node.activeAttr()->setKey(k, 100, AT_Keys::Constant);
    EXPECT_EQ(node.isDirtyOnFrameKeyChange(MO_FrameKey(r.first), MO_FrameKey(r.second)), r.dirty)
        << r.first << " to " << r.second << (r.match ? " matching" : "");
  }
}

// At frame 10 in a top view: frames 5 to 13, a point each and a line from each to the next, at
// the spring's pivot; opacity (g − 4) / 6 of 255 in blue, then green past the current frame.
TEST(DynamicSpring, TrailShowsThePivotsPathInLineViewsFadingInThenGreen) {
  auto scene = load(kTumbling.arg(QString()));
  VU_Drawing drawing, front;
  CC_CameraChainTransformCanvasBinder binder(scenetext::topView(), &drawing),
      frontBinder(Math::CameraTransformChain(), &front);
  binder.setModelMatrix(T(5, 0, 0)); // the control's space in the view: the points stay where they are
  MO_Module* node = scene->findNode(QStringLiteral("S"));
  for (CC_CameraChainTransformCanvasBinder* b : {&binder, &frontBinder})
    node->oglRenderControl(MO_OGLContext(MO_OGLContext::eNormalMode, MO_FrameKey(10), b));
  EXPECT_TRUE(front.primitives().empty());
  EXPECT_EQ(binder.modelMatrix(), T(5, 0, 0));
  const auto& p = drawing.primitives();
  ASSERT_EQ(p.size(), 17u);
  const struct {
    int frame, index;
    VS_RGBA colour;
    double size;
  } rows[] = {{5, 0, {0, 0, 255, 42}, 2.75}, {10, 9, {0, 0, 255, 255}, 9.0}, {13, 15, {0, 255, 0, 127}, 8.75}};
  for (const auto& r : rows) {
    EXPECT_EQ(p[r.index].pointFill, r.colour);
    EXPECT_NEAR(p[r.index].pointSize, r.size, 1e-6);
    EXPECT_TRUE(p[r.index].points[0] == at(*scene, "S", r.frame) * Math::Point3d(0.25, 0, 0)) << r.frame;
    EXPECT_TRUE(p[r.index].model.isIdentity());
  }
  EXPECT_EQ(p[16].lineStroke, (VS_RGBA{0, 255, 0, 127}));
}

} // namespace
