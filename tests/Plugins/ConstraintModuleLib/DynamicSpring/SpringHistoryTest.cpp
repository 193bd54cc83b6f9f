// The spring's bounded history against a straight-line simulation: the spring's free step
// functions run once per frame from frame 1 over the matrices the scene hands the node. Frames
// asked in any order, asked again long after they left the kept states, after edits upstream and
// to the spring, and read by the trail, must give those numbers exactly, state and matrix.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>

#include "Common/SceneText.h"
#include "Core/Constraint_TemplateModule.h"
#include "Core/TransformFunctions.h"
#include "DynamicSpring/DynamicSpringModule.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

constexpr int kFrames = 700; // several checkpoints and more than the recent states kept

// From a fifth of the way at frame 1 (the spring starts away from rest), to `to`, then back past 0.
QString ramp(const char* keyword, int last, double to) {
  return QStringLiteral("<attr keyword=\"%1\"><key frame=\"1\" value=\"%6\"/><key frame=\"%2\" value=\"%3\"/>"
                        "<key frame=\"%4\" value=\"%5\"/></attr>")
      .arg(QLatin1String(keyword))
      .arg(last / 3)
      .arg(to)
      .arg(last)
      .arg(-to / 2)
      .arg(to / 5);
}

// A peg that moves, turns about every axis, skews and scales, pivot off centre; the spring on it.
QString tumbling(const QString& springAttrs, const QString& extra = QString()) {
  return QStringLiteral("<node type=\"Peg\" name=\"In\"><attr keyword=\"PIVOT.X\" value=\"3\"/>") +
         ramp("POSITION.X", 400, 30) + ramp("POSITION.Y", 250, -12) + ramp("ROTATION.ANGLEX", 300, 70) +
         ramp("ROTATION.ANGLEY", 500, -50) + ramp("ROTATION.ANGLEZ", 650, 160) + ramp("SKEW", 350, 25) +
         QStringLiteral("</node><node type=\"DynamicSpring\" name=\"S\">%1</node>"
                        "<link from=\"In\" to=\"S\" toPort=\"0\"/>%2")
             .arg(springAttrs, extra);
}

const QString kStaticParent = QStringLiteral("<node type=\"Peg\" name=\"Stage\">") + ramp("POSITION.Y", 600, 8) +
                              ramp("ROTATION.ANGLEZ", 200, 20) +
                              QStringLiteral("</node><link from=\"Stage\" to=\"S\" toPort=\"1\"/>");

// Off at frame 150 (a restart), on again after.
const QString kSwitchedOff = QStringLiteral(
    "<attr keyword=\"ACTIVE\"><key frame=\"1\" value=\"100\" interpolation=\"constant\"/><key frame=\"150\" "
    "value=\"0\" interpolation=\"constant\"/><key frame=\"151\" value=\"100\" interpolation=\"constant\"/></attr>");

// Matching exposures, ACTIVE keyed on odd frames: the output moves on those only.
QString onTwos() {
  QString keys;
  for (int f = 1; f <= kFrames; f += 2)
    keys += QStringLiteral("<key frame=\"%1\" value=\"100\" interpolation=\"constant\"/>").arg(f);
  return QStringLiteral("<attr keyword=\"MATCHEXPOSURES\" value=\"true\"/><attr keyword=\"ACTIVE\">%1</attr>")
      .arg(keys);
}

std::unique_ptr<SC_SceneCommon> load(const QString& nodes) { return scenetext::readNodes(nodes, kFrames); }

DynamicSpringModule& springOf(SC_SceneCommon& scene) {
  return *static_cast<DynamicSpringModule*>(scene.findNode(QStringLiteral("S")));
}

struct Straight {
  std::vector<SpringHistoryEntry> states; // by frame
  std::vector<Math::Matrix4x4> outputs;
};

// Each frame once, from frame 1, by the step functions alone: no history, no lookups.
Straight straightLine(SC_SceneCommon& scene, int last) {
  DynamicSpringModule& s = springOf(scene);
  MO_Module* in = s.inputModule(0);
  MO_Module* stage = s.inputModule(1);
  Straight r;
  r.states.resize(last + 1);
  r.outputs.resize(last + 1);
  for (int f = 1; f <= last; ++f) {
    const MO_BaseContext ctx(MO_FrameKey(f), 0);
    const Math::Matrix4x4 input = SC_SceneEvaluator(scene).evaluate(in, f);
    const Math::Matrix4x4 parent = stage ? SC_SceneEvaluator(scene).evaluate(stage, f) : Math::Matrix4x4();
    const Math::Point3d pivot = s.sceneMetrics()->toOGL(modulePivot(ctx, in));
    DynamicSpringModule::Settings settings = s.settingsAt(ctx);
    bool isKey = false, isAnimated = false;
    s.activeAttr()->value(f, &isKey, &isAnimated);
    settings.spring.update = !s.matchexposuresAttr()->value(f) || isKey || !isAnimated;
    SpringTarget t;
    decomposeSpringMatrix(aboutPivot(parent.getInverse() * input, pivot), t.translation, t.scale, t.rotation, t.skew);
    const bool restart = f == 1 || settings.spring.activity <= 0.0;
    r.states[f] = restart ? startSpringState(t, pivot) : nextSpringState(r.states[f - 1], t, settings.spring, pivot);
    r.states[f].valid = true;
    r.outputs[f] = restart ? input : sanitizedCopy(parent * r.states[f].result);
  }
  return r;
}

bool sameState(const SpringHistoryEntry& a, const SpringHistoryEntry& b) {
  const auto q = [](const Math::Quat& x, const Math::Quat& y) {
    return x.w == y.w && x.x == y.x && x.y == y.y && x.z == y.z;
  };
  return a.valid && b.valid && a.result == b.result && a.translation == b.translation && a.scale == b.scale &&
         a.skew == b.skew && q(a.rotation, b.rotation) && a.translationVelocity == b.translationVelocity &&
         a.scaleVelocity == b.scaleVelocity && a.skewVelocity == b.skewVelocity &&
         q(a.rotationVelocity, b.rotationVelocity);
}

std::vector<int> frameOrder(const char* order, unsigned seed) {
  std::vector<int> frames(kFrames);
  std::iota(frames.begin(), frames.end(), 1);
  const std::string o(order);
  if (o == "backward")
    std::reverse(frames.begin(), frames.end());
  if (o == "random")
    std::shuffle(frames.begin(), frames.end(), std::mt19937(seed));
  if (o == "far first then random") {
    std::shuffle(frames.begin(), frames.end(), std::mt19937(seed));
    frames.insert(frames.begin(), kFrames);
  }
  return frames;
}

// Every frame's matrix through the evaluator, and every state the history gives, exactly as
// the straight line has them.
void expectStraight(SC_SceneCommon& scene, const std::vector<int>& frames, const Straight& want) {
  DynamicSpringModule& s = springOf(scene);
  for (int f : frames)
    ASSERT_TRUE(SC_SceneEvaluator(scene).evaluate(&s, f) == want.outputs[f]) << "frame " << f;
  // Stepping a frame drops those after it: the last frame asked brings them all back.
  ASSERT_TRUE(SC_SceneEvaluator(scene).evaluate(&s, kFrames) == want.outputs[kFrames]);
  ASSERT_EQ(s.history().size(), static_cast<std::size_t>(kFrames) + 1);
  std::vector<int> reads = frames;
  std::shuffle(reads.begin(), reads.end(), std::mt19937(7));
  for (int f : reads)
    ASSERT_TRUE(sameState(s.historyEntry(f), want.states[f])) << "state of frame " << f;
}

struct OrderCase {
  const char* name;
  QString nodes;
  const char* order;
};

class SpringHistoryOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(SpringHistoryOrder, GivesTheStraightLinesNumbersInAnyOrder) {
  auto scene = load(GetParam().nodes);
  const Straight want = straightLine(*load(GetParam().nodes), kFrames);
  expectStraight(*scene, frameOrder(GetParam().order, 3), want);
}

const QString kPlain = tumbling(QString());
const QString kSoft = tumbling(QStringLiteral("<attr keyword=\"TENSIONROTATE\" value=\"3\"/>"
                                              "<attr keyword=\"INERTIAX\" value=\"95\"/>"));
INSTANTIATE_TEST_SUITE_P(Orders, SpringHistoryOrder,
                         ::testing::Values(OrderCase{"forward", kPlain, "forward"},
                                           OrderCase{"backward", kPlain, "backward"},
                                           OrderCase{"random", kSoft, "random"},
                                           OrderCase{"farFirst", kPlain, "far first then random"},
                                           OrderCase{"staticParent", tumbling(QString(), kStaticParent), "random"},
                                           OrderCase{"switchedOff", tumbling(kSwitchedOff), "far first then random"},
                                           OrderCase{"onTwos", tumbling(onTwos()), "random"}),
                         [](const auto& row) { return std::string(row.param.name); });

struct EditCase {
  const char* name;
  std::function<void(SC_SceneCommon&)> edit;
};

class SpringHistoryEdit : public ::testing::TestWithParam<EditCase> {};

// The whole range first, so that most frames are made again from kept states, then an edit: what
// follows must be the straight line of the edited scene, however the frames are asked.
TEST_P(SpringHistoryEdit, RecomputesWhatTheEditDirtied) {
  auto scene = load(kPlain);
  DynamicSpringModule& s = springOf(*scene);
  SC_SceneEvaluator(*scene).evaluate(&s, kFrames);
  for (int f : {90, 410, 12})
    SC_SceneEvaluator(*scene).evaluate(&s, f);
  GetParam().edit(*scene);
  auto edited = load(kPlain);
  GetParam().edit(*edited);
  const Straight want = straightLine(*edited, kFrames);
  expectStraight(*scene, frameOrder("far first then random", 11), want);
}

AT_DoubleAttr* doubleAttr(SC_SceneCommon& scene, const char* node, const char* keyword) {
  return dynamic_cast<AT_DoubleAttr*>(scene.findNode(QString::fromLatin1(node))->attr(QString::fromLatin1(keyword)));
}

INSTANTIATE_TEST_SUITE_P(
    Edits, SpringHistoryEdit,
    ::testing::Values(
        EditCase{"upstreamKey", [](SC_SceneCommon& sc) { doubleAttr(sc, "In", "POSITION.X")->setKey(200, 5); }},
        EditCase{"springTension", [](SC_SceneCommon& sc) { doubleAttr(sc, "S", "TENSIONY")->setLocalValue(20); }},
        EditCase{"springSwitchedOff",
                 [](SC_SceneCommon& sc) {
                   AT_DoubleAttr* active = doubleAttr(sc, "S", "ACTIVE");
                   active->setKey(1, 100, AT_Keys::Constant);
                   active->setKey(300, 0, AT_Keys::Constant);
                   active->setKey(301, 100, AT_Keys::Constant);
                 }},
        EditCase{"staticParentLinked",
                 [](SC_SceneCommon& sc) {
                   MO_Module* stage = sc.findNode(QStringLiteral("In"));
                   springOf(sc).link(1, stage, 0);
                 }}),
    [](const auto& row) { return std::string(row.param.name); });

// The trail drawn at a frame long left behind: its nine points are the straight line's, made
// again from the kept states rather than skipped.
TEST(SpringHistory, TrailOfAnEarlyFrameDrawsTheStatesMadeAgain) {
  auto scene = load(kPlain);
  DynamicSpringModule& s = springOf(*scene);
  SC_SceneEvaluator(*scene).evaluate(&s, kFrames);
  const Straight want = straightLine(*load(kPlain), kFrames);
  VU_Drawing drawing;
  CC_CameraChainTransformCanvasBinder binder(scenetext::topView(), &drawing);
  s.oglRenderControl(MO_OGLContext(MO_OGLContext::eNormalMode, MO_FrameKey(300), &binder));
  std::vector<Math::Point3d> points;
  for (const auto& p : drawing.primitives())
    if (p.kind == VU_Drawing::ePoint)
      points.push_back(p.points[0]);
  ASSERT_EQ(points.size(), 9u);
  const Math::Point3d pivot(0.25, 0, 0); // PIVOT.X 3 in drawing units
  for (int g = 295; g <= 303; ++g)
    EXPECT_TRUE(points[g - 295] == want.outputs[g] * pivot) << "frame " << g;
}

// Playing on, the view draws the trail of each frame reached (five frames back, three ahead,
// brought up to the last): all nine must stand among the states kept, none made again.
TEST(SpringHistory, TrailOfTheFrameReachedIsKept) {
  auto scene = load(kPlain);
  DynamicSpringModule& s = springOf(*scene);
  SC_SceneEvaluator(*scene).evaluate(&s, 303);
  for (std::size_t g = 295; g <= 303; ++g)
    EXPECT_NE(s.history().kept(g), nullptr) << "frame " << g;
}

// The marks, packed into runs, against a plain array of one mark per frame: random growing,
// dropping and storing, with marks that differ in a single field (zero's sign included), must
// read back frame by frame exactly as stored.
TEST(SpringHistory, MarksReadBackAsAPlainArrayHasThem) {
  std::mt19937 random(5);
  SpringHistory history;
  std::vector<SpringHistory::Mark> plain;
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int step = 0; step < 4000; ++step) {
    const int what = pick(10);
    if (what == 0 || plain.empty()) {
      const std::size_t n = plain.size() + static_cast<std::size_t>(pick(40));
      history.resize(n);
      plain.resize(n);
    } else if (what == 1) {
      const std::size_t n = static_cast<std::size_t>(pick(static_cast<int>(plain.size()) + 1));
      history.resize(n);
      plain.resize(n);
    } else {
      // Mostly near the end, as play stores them; now and then anywhere.
      const std::size_t size = plain.size();
      const std::size_t frame = what < 7 ? size - 1 - static_cast<std::size_t>(pick(std::min<int>(3, size)))
                                         : static_cast<std::size_t>(pick(static_cast<int>(size)));
      SpringHistoryEntry entry;
      entry.activity = std::array<double, 4>{1.0, 0.5, 0.0, -0.0}[pick(4)];
      entry.stamp = pick(2);
      entry.valid = pick(5) > 0;
      entry.update = pick(4) > 0;
      const auto origin = static_cast<SpringHistory::Origin>(pick(4));
      history.store(frame, entry, origin);
      plain[frame] = {entry.activity, entry.stamp, entry.valid, entry.update, origin};
    }
    ASSERT_EQ(history.size(), plain.size()) << "step " << step;
    const auto same = [](const SpringHistory::Mark& a, const SpringHistory::Mark& b) {
      return a.activity == b.activity && std::signbit(a.activity) == std::signbit(b.activity) && a.stamp == b.stamp &&
             a.valid == b.valid && a.update == b.update && a.origin == b.origin;
    };
    std::size_t changes = 0;
    for (std::size_t f = 0; f < plain.size(); ++f) {
      ASSERT_TRUE(same(history.mark(f), plain[f])) << "step " << step << ", frame " << f;
      changes += f == 0 || !same(plain[f], plain[f - 1]);
    }
    // As packed as the marks allow: a run wherever the mark changes, no more.
    ASSERT_EQ(history.runs(), changes) << "step " << step;
  }
}

// Frames played in turn with unchanged settings share one mark: the history of a long play is
// its checkpoints, not a mark per frame.
TEST(SpringHistory, PlayingOnKeepsOneRunOfMarks) {
  auto scene = load(kPlain);
  DynamicSpringModule& s = springOf(*scene);
  for (int f = 1; f <= kFrames; ++f)
    SC_SceneEvaluator(*scene).evaluate(&s, f);
  // Frame 0 holds no state, frame 1 is the spring at rest, the others steps on.
  EXPECT_EQ(s.history().runs(), 3u);
}

} // namespace
