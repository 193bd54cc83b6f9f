// Evaluation through ports: stored results are reused until an edit, links refuse cycles,
// variable ports keep their links when moved, visitors run registered callbacks.
#include <gtest/gtest.h>

#include <cmath>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/Camera.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_PivotVisitor.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

// Appends a translation by (1, 0, 0) and counts how often it really computes.
class CountingNode : public MO_Module {
public:
  CountingNode() {
    addInMatrixPort();
    addOutMatrixPort();
  }
  QString moduleTypeName() const override { return QStringLiteral("Counting"); }
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override {
    return computeAppending(ctx, [this](double) {
      ++computed;
      return Math::Matrix4x4().translate(1, 0, 0);
    });
  }
  int computed = 0;
};

class MultiInput : public MO_AutoInPortsModule {
public:
  MultiInput() : MO_AutoInPortsModule(new MO_MatrixPortManipulator(this)) { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("Multi"); }
};

struct Chain {
  SC_SceneCommon scene;
  Peg* top;
  CountingNode* a;
  CountingNode* b;
  Chain() {
    top = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
    a = static_cast<CountingNode*>(scene.addNode(std::make_unique<CountingNode>()));
    b = static_cast<CountingNode*>(scene.addNode(std::make_unique<CountingNode>()));
    a->link(0, top, 0);
    b->link(0, a, 0);
  }
};

TEST(Evaluation, StoredResultsAreReusedUntilAnEdit) {
  Chain c;
  SC_SceneEvaluator eval(c.scene);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(2, 0, 0));
  EXPECT_EQ(eval.evaluate(c.a, 1).origin(), Math::Point3d(1, 0, 0));
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(2, 0, 0));
  EXPECT_EQ(c.a->computed, 1);
  EXPECT_EQ(c.b->computed, 1);

  // Another frame is computed on its own.
  eval.evaluate(c.b, 2);
  EXPECT_EQ(c.a->computed, 2);

  // An upstream edit drops what was stored: the new value shows at once.
  c.top->position()->x()->setLocalValue(24);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(4, 0, 0));
  EXPECT_EQ(c.a->computed, 3);
}

TEST(Evaluation, RelinkingAndDisablingAreEditsToo) {
  Chain c;
  SC_SceneEvaluator eval(c.scene);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(2, 0, 0));
  c.b->link(0, c.top, 0);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(1, 0, 0));
  c.b->setEnabled(false);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(0, 0, 0));
  c.b->unlink(0);
  c.b->setEnabled(true);
  EXPECT_EQ(eval.evaluate(c.b, 1).origin(), Math::Point3d(1, 0, 0));
}

TEST(Evaluation, ValidateCacheGrowsWithUpstreamEditsOnly) {
  Chain c;
  auto* side = static_cast<Peg*>(c.scene.addNode(std::make_unique<Peg>()));
  const auto before = c.b->validateCache();
  side->skew()->setLocalValue(5);  // not upstream of b
  EXPECT_EQ(c.b->validateCache(), before);
  c.top->skew()->setLocalValue(5);
  const auto afterEdit = c.b->validateCache();
  EXPECT_GT(afterEdit, before);
  EXPECT_EQ(c.a->validateCache(), afterEdit);
}

TEST(Links, CyclesAndMissingPortsAreRefusedWithAReason) {
  Chain c;
  QString why;
  EXPECT_FALSE(c.top->link(0, c.b, 0, &why));
  EXPECT_TRUE(why.contains(QStringLiteral("cycle")));
  EXPECT_FALSE(c.a->link(0, c.a, 0, &why));
  EXPECT_FALSE(c.a->link(3, c.top, 0, &why));
  EXPECT_FALSE(c.a->link(0, c.top, 1, &why));
  EXPECT_EQ(c.a->inputModule(0), c.top);  // the old link is still there
}

TEST(Links, RemovingANodeCutsTheLinksToIt) {
  Chain c;
  c.scene.removeNode(c.a);
  EXPECT_EQ(c.b->inputModule(0), nullptr);
  EXPECT_EQ(c.scene.nodes().size(), 2u);
  EXPECT_EQ(SC_SceneEvaluator(c.scene).evaluate(c.b, 1).origin(), Math::Point3d(1, 0, 0));
}

TEST(Selection, SelectedInputRecursiveLooksUpstream) {
  Chain c;
  EXPECT_FALSE(c.b->isSelectedInputRecursive());
  c.top->setSelected(true);
  EXPECT_TRUE(c.b->isSelectedInputRecursive());
  EXPECT_FALSE(c.b->selected());
}

TEST(VariablePorts, InsertRemoveAndMoveKeepLinksWithTheirPorts) {
  SC_SceneCommon scene;
  auto* multi = static_cast<MultiInput*>(scene.addNode(std::make_unique<MultiInput>()));
  Peg* pegs[3];
  for (auto& p : pegs)
    p = static_cast<Peg*>(scene.addNode(std::make_unique<Peg>()));
  multi->ensureInPort(2);
  ASSERT_EQ(multi->nInPorts(), 3);
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(multi->link(i, pegs[i], 0));
  const int movedId = multi->inPort(0)->id();

  MO_PortManipulator* m = multi->portManipulator();
  ASSERT_TRUE(m->movePort(0, 2));
  EXPECT_EQ(multi->inputModule(0), pegs[1]);
  EXPECT_EQ(multi->inputModule(1), pegs[2]);
  EXPECT_EQ(multi->inputModule(2), pegs[0]);
  EXPECT_EQ(multi->inPort(2)->id(), movedId);

  ASSERT_NE(m->insertPort(1), nullptr);
  EXPECT_EQ(multi->inputModule(1), nullptr);
  EXPECT_EQ(multi->inputModule(2), pegs[2]);
  ASSERT_TRUE(m->removePort(0));
  EXPECT_EQ(multi->nInPorts(), 3);
  EXPECT_EQ(multi->inputModule(2), pegs[0]);
  EXPECT_FALSE(m->removePort(3));
  EXPECT_EQ(m->insertPort(9), nullptr);
}

void forwardToInput(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  if (MO_Module* up = module->inputModule(0))
    up->acceptVisitor(visitor);
}

TEST(Visitors, RegisteredCallbacksRunByKeyAndOthersReportNothing) {
  MO_PivotVisitor::registerVisitor(QStringLiteral("Counting"), &forwardToInput);
  Chain c;
  c.top->pivotAttr()->x()->setLocalValue(4);
  MO_PivotVisitor v(MO_BaseContext(MO_FrameKey(1)));
  EXPECT_TRUE(v.performDynamicOperation(c.b, QStringLiteral("Counting")));
  EXPECT_FALSE(v.performDynamicOperation(c.b, QStringLiteral("Nobody")));
  EXPECT_EQ(v.getPivot(), Math::Point3d(0, 0, 0));  // b forwards to a, whose generic visit finds no pivot
  EXPECT_TRUE(v.performDynamicOperation(c.a, QStringLiteral("Counting")));
  EXPECT_EQ(v.getPivot(), Math::Point3d(4, 0, 0));
  MO_PivotVisitor::unregisterVisitor(QStringLiteral("Counting"));
  EXPECT_FALSE(v.performDynamicOperation(c.a, QStringLiteral("Counting")));
}

TEST(SceneCamera, PerspectiveIsTheOpenGLFrustumOfTheCamerasFieldOfView) {
  SC_SceneCommon scene;
  auto* cam = static_cast<Camera*>(scene.addNode(std::make_unique<Camera>()));
  scene.setCamera(cam);
  scene.setDesignAspectRatio(16, 9);
  static_cast<AT_DoubleAttr*>(cam->attr(QStringLiteral("FOV")))->setLocalValue(90);
  double n = 0.1, f = 1000;
  scene.cameraPlanes(n, f);
  const Math::Matrix4x4 p = rxscene_func::getSoftRenderPerspectiveMatrix(&scene, 16, 9, 2, 10);
  // With a 90° field of view the focal factor is 1; a point on the near plane maps to z = −1,
  // one on the far plane to z = +1.
  EXPECT_NEAR(p(1, 1), 1.0, 1e-15);
  EXPECT_NEAR(p(0, 0), 9.0 / 16.0, 1e-15);
  const Math::Point3d nearPoint = p * Math::Point3d(0, 0, -2);
  const Math::Point3d farPoint = p * Math::Point3d(0, 0, -10);
  EXPECT_NEAR(nearPoint.z, -1.0, 1e-12);
  EXPECT_NEAR(farPoint.z, 1.0, 1e-12);
  EXPECT_EQ(n, 0.1);
  EXPECT_EQ(f, 1000.0);

  cam->attr(QStringLiteral("POSITION.Z"))->setLocalValueFromString(QStringLiteral("120"), nullptr);
  Math::Matrix4x4 m;
  ASSERT_TRUE(scene.cameraMatrix(m, MO_FrameKey(1)));
  EXPECT_EQ(m.origin(), Math::Point3d(0, 0, 10));
}

} // namespace
