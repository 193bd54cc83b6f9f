// The two-points node in scenes: which peg is primary, what passes through when it does not
// compute, the example arm worked out by hand through the real loader, a camera below the node
// under PROJECT, the main input chosen by default, selection and clicks, its control in
// picking, and the camera counted as an input.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "Core/NodeColors.h"
#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraints/PointConstraint3Module.h"
#include "PointConstraintsTestUtil.h"
#include "SceneCore/Camera.h"

namespace {

using namespace pctest;
using Node = PointConstraint2Module;

// Right pivot (0, 0), left (4, 0) scene units; each peg turned about its own pivot, so that a
// Transform result with the pivots where they were is the primary peg's own matrix.
// Both may hang below a turned and moved parent.
struct TwoPegs {
  explicit TwoPegs(double rightDepth = 0, bool underParent = false) {
    useHalfMetrics(scene);
    parent = addPeg(scene, {1, 1, 0}, 35, {3, -2, 0});
    right = addPeg(scene, {0, 0, 0}, 10, {0, 0, rightDepth});
    left = addPeg(scene, {4, 0, 0}, 20);
    if (underParent) {
      EXPECT_TRUE(right->link(0, parent, 0) && left->link(0, parent, 0));
    }
    node = addNode<Node>(scene, {right, left});
  }
  SC_SceneCommon scene;
  Peg *parent, *right, *left;
  Node* node;
};

TEST(PointConstraint2Module, PrimaryFollowsThePortAndTopmostTiesGoLeft) {
  const struct {
    int port;
    double rightDepth;
    bool rightPrimary;
  } rows[] = {{1, 0, true}, {2, 0, false}, {3, 0, false}, {4, 0, true}, {3, 2, true}, {4, 2, false}};
  for (const auto& r : rows) {
    TwoPegs s(r.rightDepth);
    s.node->flattentypeAttr()->setLocalValue(0);
    s.node->transformtypeAttr()->setLocalValue(1);
    s.node->primaryportAttr()->setLocalValue(r.port);
    EXPECT_TRUE(matrixNear(evaluate(s.scene, s.node), evaluate(s.scene, r.rightPrimary ? s.right : s.left), 1e-12))
        << "port " << r.port << " depth " << r.rightDepth;
  }
}

// Translate takes over nothing of the primary peg but its parent's transformation.
TEST(PointConstraint2Module, TranslateUnderAParentWithThePivotsInPlaceGivesTheParent) {
  TwoPegs s(0, true);
  EXPECT_TRUE(matrixNear(evaluate(s.scene, s.node), evaluate(s.scene, s.parent), 1e-12));
}

// Where the node declines, the main input passes; at activity 0 the right peg's matrix does,
// even when the left peg is main.
TEST(PointConstraint2Module, WithoutAResultTheMainInputOrAtActivityZeroTheRightPegPasses) {
  const struct {
    const char* name;
    std::function<void(TwoPegs&)> set;
    bool rightPasses;
  } rows[] = {
      {"activity 0", [](TwoPegs& s) { s.node->activeAttr()->setLocalValue(0); }, true},
      {"activity 0, left main",
       [](TwoPegs& s) {
         s.node->activeAttr()->setLocalValue(0);
         s.node->primaryportAttr()->setLocalValue(2);
       },
       true},
      {"coinciding pivots, left main",
       [](TwoPegs& s) {
         s.left->pivotAttr()->x()->setLocalValue(0);
         s.node->primaryportAttr()->setLocalValue(2);
       },
       false},
      {"disabled", [](TwoPegs& s) { s.node->setEnabled(false); }, true},
  };
  for (const auto& r : rows) {
    TwoPegs s;
    r.set(s);
    EXPECT_TRUE(matrixNear(evaluate(s.scene, s.node), evaluate(s.scene, r.rightPasses ? s.right : s.left), 1e-12))
        << r.name;
  }
}

TEST(PointConstraint2Module, ExampleArmStretchesSoftlyAtFrame16) {
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene =
      PIO_SceneReader::readFile(QStringLiteral(VANTOREL_EXAMPLES "/two_points_arm.xml"), &error);
  ASSERT_NE(scene, nullptr);
  // Frame 16 (metrics 1/12): the shoulder's pivot (−8, 0) is raised by 45/23, the hand's (8, 0)
  // moved by (12, −90/23). The stretch passes 140 % and eases (smoothing 50) towards 147 %;
  // the cross scale keeps the area.
  const double r0 = std::hypot(28.0, 135.0 / 23.0) / 16.0;
  const double r = 1.4 + 0.07 * std::sqrt((r0 - 1.4) / 0.7);
  const double turn = std::atan2(-135.0 / 23.0, 28.0) * 180.0 / M_PI;
  const Math::Matrix4x4 expected =
      T(0, 45.0 / 23.0 / 12, 0) * T(-8.0 / 12, 0, 0) * Rz(turn) * S(r, 1 / r, 1) * T(8.0 / 12, 0, 0);
  EXPECT_TRUE(matrixNear(evaluate(*scene, scene->findNode(QStringLiteral("Sleeve")), 16), expected, 1e-12));
  EXPECT_TRUE(matrixNear(evaluate(*scene, scene->findNode(QStringLiteral("Arm")), 1), Math::Matrix4x4(), 1e-12));
}

// A scene camera that computes the node again while the node asks for the camera, as a camera
// hanging below it may: it records what that nested computation gives.
struct ProbeCamera : MO_Module {
  ProbeCamera() { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("ProbeCamera"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    if (++calls == 1)
      seen = watched->computeTransformation(ctx)->transformation().matrix(true);
    return MO_Module::computeTransformation(ctx);
  }
  MO_Module* watched = nullptr;
  int calls = 0;
  Math::Matrix4x4 seen;
};

TEST(PointConstraint2Module, ProjectionSkipsTheCameraInsideItsOwnEvaluation) {
  Math::Matrix4x4 unprojected;
  for (int flatten : {1, 2}) {
    TwoPegs s;
    s.left->position()->z()->setLocalValue(6);
    s.node->flattentypeAttr()->setLocalValue(flatten);
    auto* camera = static_cast<ProbeCamera*>(s.scene.addNode(std::make_unique<ProbeCamera>()));
    camera->watched = s.node;
    s.scene.setCamera(camera);
    const Math::Matrix4x4 result = evaluate(s.scene, s.node);
    if (flatten == 1) {
      unprojected = result;
      EXPECT_EQ(camera->calls, 0);
      continue;
    }
    EXPECT_EQ(camera->calls, 1);
    EXPECT_TRUE(matrixNear(camera->seen, unprojected, 1e-12));
    EXPECT_FALSE(matrixNear(result, unprojected, 1e-3)); // the outer computation did project
  }
}

TEST(PointConstraint2Module, MainInputFollowsPortThenSelectionThenClicks) {
  for (const auto& [port, main] : {std::pair{1, 0}, {2, 1}, {3, 0}, {4, 0}}) {
    TwoPegs s;
    s.node->primaryportAttr()->setLocalValue(port);
    EXPECT_EQ(s.node->mainInPortId(), main) << port;
  }
  for (int selected : {0, 1}) {
    TwoPegs s;
    s.node->primaryportAttr()->setLocalValue(2 - selected);
    (selected ? s.left : s.right)->setSelected(true);
    evaluate(s.scene, s.node);
    EXPECT_EQ(s.node->mainInPortId(), selected);
  }
  TwoPegs s;
  evaluate(s.scene, s.node);
  // Pivots at drawing (0, 0) and (2, 0) (turned about themselves): pixels (100, 50), (200, 50).
  const struct {
    double x;
    int main;
  } clicks[] = {{120, 0}, {160, 1}, {150, 1}};
  for (const auto& c : clicks) {
    MO_MainPortModuleVisitor click(Math::Point2d(c.x, 80), faceOnView());
    EXPECT_TRUE(click.visitModule(s.node));
    EXPECT_EQ(s.node->mainInPortId(), c.main) << c.x;
  }
}

TEST(PointConstraint2Module, PickingSplitsTheSegmentBetweenThePegsInSceneSpace) {
  TwoPegs s;
  evaluate(s.scene, s.node);
  VU_Drawing drawing;
  CC_CameraChainTransformCanvasBinder binder(faceOnView(), &drawing);
  binder.setModelMatrix(T(5, 5, 0)); // the view's space for the node, which the control ignores
  s.node->oglRenderControl(MO_OGLContext(MO_OGLContext::ePickingMode, MO_FrameKey(1), &binder));
  const auto& p = drawing.primitives();
  ASSERT_EQ(p.size(), 4u);
  const Math::Point3d ends[2] = {{0, 0, 0}, {2, 0, 0}};
  Peg* pegs[2] = {s.right, s.left};
  for (int i = 0; i < 2; ++i) {
    const VS_RGBA colour(SLB_PickEngine::idToColor(pegs[i]->pickAdaptor()->pickingId()));
    const VU_Drawing::Primitive& half = p[2 * i];
    const VU_Drawing::Primitive& point = p[2 * i + 1];
    EXPECT_EQ(half.kind, VU_Drawing::eLine);
    EXPECT_EQ(half.lineStroke, colour);
    EXPECT_EQ(half.lineThickness, 8.5);
    EXPECT_TRUE(half.points[0].distance(ends[i]) < 1e-12 && half.points[1].distance({1, 0, 0}) < 1e-12) << i;
    EXPECT_EQ(point.kind, VU_Drawing::ePoint);
    EXPECT_EQ(point.pointFill, colour);
    EXPECT_DOUBLE_EQ(point.pointSize, 8.5 * 1.15);
    EXPECT_TRUE(half.model.isIdentity() && point.model.isIdentity());
  }
  EXPECT_EQ(binder.modelMatrix(), T(5, 5, 0));
}

TEST(PointConstraint2Module, CameraIsAnInputOnlyWhenProjectingAndSwitchPortsShowSwitchColours) {
  for (int flatten : {1, 2}) {
    TwoPegs s;
    auto* camera = addNode<Camera>(s.scene, {});
    s.scene.setCamera(camera);
    s.node->flattentypeAttr()->setLocalValue(flatten);
    const std::int64_t before = s.node->validateCache();
    camera->touch();
    EXPECT_EQ(s.node->validateCache() > before, flatten == 2) << flatten;
  }
  PointConstraint2Module two;
  PointConstraint3Module three;
  const ColorPair expected = switchPortColors();
  for (const auto& [node, port] : {std::pair<MO_Node*, int>{&two, 2}, {&three, 3}}) {
    std::uint32_t light = 0, dark = 0;
    EXPECT_TRUE(node->nvPortColors(port, false, light, dark));
    EXPECT_EQ(ColorPair(light, dark), expected);
    EXPECT_FALSE(node->nvPortColors(port - 1, false, light, dark));
  }
}

} // namespace
