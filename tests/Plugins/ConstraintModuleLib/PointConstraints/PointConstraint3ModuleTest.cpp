// The three-points node in scenes: the shear when only the middle peg moves and the blend back
// to the right peg under a switch, clicks (ties to the right peg), its control in picking with
// every edge split between its corners, and a primary changing between frames. (Which peg is
// primary by port and by depth, ties included, is the reference check's.)
#include <gtest/gtest.h>

#include <array>

#include "PointConstraints/PointConstraint3Module.h"
#include "PointConstraintsTestUtil.h"
#include "TransformControls/Switch.h"

namespace {

using namespace pctest;

// Right (2, −2), middle (0, 2), left (−2, −4) scene units: drawing (1, −1), (0, 1), (−1, −2).
// No edge is parallel to an axis, so that the triangle's frames need no guard against zero.
struct ThreePegs {
  ThreePegs() {
    const Math::Point3d pivots[3] = {{2, -2, 0}, {0, 2, 0}, {-2, -4, 0}};
    node = static_cast<PointConstraint3Module*>(scene.addNode(std::make_unique<PointConstraint3Module>()));
    for (std::size_t i = 0; i < 3; ++i)
      node->link(static_cast<int>(i), pegs[i] = addPeg(scene, pivots[i]), 0);
  }
  SC_SceneCommon scene;
  std::array<Peg*, 3> pegs;
  PointConstraint3Module* node;
};

TEST(PointConstraint3Module, MovingOnlyTheMiddlePegShearsAboutTheOtherTwo) {
  ThreePegs s;
  s.pegs[1]->position()->x()->setLocalValue(1);
  s.pegs[1]->position()->y()->setLocalValue(1);
  // The middle corner moves by (0.5, 0.5) drawing units, every point by that times its
  // barycentric weight (−x + 2y + 3) / 5 for the middle corner (1 there, 0 on the other two).
  const Math::Matrix4x4 shear(0.9, -0.1, 0, 0, 0.2, 1.2, 0, 0, 0, 0, 1, 0, 0.3, 0.3, 0, 1);
  EXPECT_TRUE(matrixNear(evaluate(s.scene, s.node), shear, 1e-12));
  // A switch all but off blends back to the right peg's own matrix, whichever peg is main.
  s.pegs[0]->rotation()->angleZ()->setLocalValue(10);
  s.node->primaryportAttr()->setLocalValue(3);
  auto* control = static_cast<Switch*>(s.scene.addNode(std::make_unique<Switch>()));
  control->activeAttr()->setLocalValue(0.0001);
  ASSERT_TRUE(s.node->link(3, control, 0));
  EXPECT_TRUE(matrixNear(evaluate(s.scene, s.node), evaluate(s.scene, s.pegs[0]), 1e-5));
}

TEST(PointConstraint3Module, ClickTakesTheStrictlyNearestPivotAndTiesTakeTheRightPeg) {
  ThreePegs s;
  evaluate(s.scene, s.node);
  // Pixels: right (150, 100), middle (100, 0), left (50, 150); (100, 125) is as near the right
  // pivot as the left one, (45, 65) as near the middle as the left one.
  const double clicks[][3] = {{150, 90, 0}, {100, 10, 1}, {50, 140, 2}, {100, 125, 0}, {50, 140, 2}, {45, 65, 0}};
  for (const auto& c : clicks) {
    EXPECT_TRUE(MO_MainPortModuleVisitor(Math::Point2d(c[0], c[1]), faceOnView()).visitModule(s.node));
    EXPECT_EQ(s.node->mainInPortId(), c[2]) << c[0] << "," << c[1];
  }
}

TEST(PointConstraint3Module, PickingSplitsEveryEdgeBetweenThePickColoursOfItsCorners) {
  ThreePegs s;
  evaluate(s.scene, s.node);
  VU_Drawing drawing;
  CC_CameraChainTransformCanvasBinder binder(faceOnView(), &drawing);
  binder.setModelMatrix(T(5, 5, 0)); // the view's space for the node, which the control ignores
  s.node->oglRenderControl(MO_OGLContext(MO_OGLContext::ePickingMode, MO_FrameKey(1), &binder));
  const Math::Point3d c[3] = {{1, -1, 0}, {0, 1, 0}, {-1, -2, 0}};
  // Each half of an edge, from its corner towards the other end's corner, in drawing order.
  const int halves[][2] = {{0, 1}, {1, 0}, {1, 2}, {2, 1}, {0, 2}, {2, 0}};
  std::size_t next = 0;
  for (const VU_Drawing::Primitive& p : drawing.primitives()) {
    EXPECT_TRUE(p.model.isIdentity());
    if (p.kind == VU_Drawing::ePoint)
      continue;
    ASSERT_LT(next, std::size(halves));
    const auto [corner, other] = halves[next++];
    EXPECT_EQ(p.lineStroke, VS_RGBA(SLB_PickEngine::idToColor(s.pegs[corner]->pickAdaptor()->pickingId()))) << next;
    EXPECT_LT(p.points[0].distance(c[corner]), 1e-12) << next;
    EXPECT_LT(p.points[1].distance(c[corner] + (c[other] - c[corner]) * 0.5), 1e-12) << next;
  }
  EXPECT_EQ(next, std::size(halves));
  EXPECT_EQ(drawing.primitives().size(), 9u); // and a point at each corner
}

// Under TOPMOST the right peg rising past the others (z keyed from −2 at frame 1 to 2 at frame 3)
// makes it primary in the left peg's stead, and the triangle's corners start from it; each frame
// must give what a scene asked that frame alone gives, in either order. The middle peg is moved
// so that the map is not the identity.
TEST(PointConstraint3Module, APrimaryChangingBetweenFramesStartsTheRestTriangleFromIt) {
  const auto build = [](ThreePegs& s) {
    s.node->primaryportAttr()->setLocalValue(4);
    s.pegs[1]->position()->x()->setLocalValue(1.5);
    s.pegs[0]->position()->z()->setKey(1, -2);
    s.pegs[0]->position()->z()->setKey(3, 2);
  };
  pctest::expectEachFrameAsIfAlone<ThreePegs>(build, 1, 3);
}

} // namespace
