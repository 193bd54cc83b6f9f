// Evaluation on several threads, and on one a few frames ahead, checked against a second
// method: a frame-by-frame walk of a scene loaded apart, whose matrices every thread count, round
// size and frame list must give bit for bit (every example goes through JobsCommandTest). Run
// under ThreadSanitizer too (make test-tsan).
#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "Common/SceneText.h"
#include "ParallelEvaluator.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SessionError.h"
#include "SessionTestSupport.h"

namespace {

// An animated peg drives a spring; a peg under the spring and a two-points constraint reading it
// carry its history. Two pegs and a limit on one of them do not.
QByteArray springFeedsOthers() { return scenetext::testScene("parallel_spring_feeds_others.xml"); }

// The same scene with the camera carried by the spring: constraints may read the camera without a
// link to it, so every node then has history.
QByteArray cameraOnSpring() {
  QByteArray xml(springFeedsOthers());
  xml.replace("</scene>", "  <link from=\"Spring\" to=\"Camera\" toPort=\"0\"/>\n</scene>");
  return xml;
}

// Pegs linked in one tree, each under one of the few before it, with keys of every kind: one part
// of more nodes than the evaluator reads ahead of (its reads ahead must change nothing).
QByteArray bigTree() {
  QByteArray xml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<scene version=\"1\" frames=\"1-40\">\n");
  const int pegs = 600;
  for (int i = 0; i < pegs; ++i) {
    const QByteArray n = QByteArray::number(i);
    xml += "  <node type=\"Peg\" name=\"Peg" + n + "\">\n    <attr keyword=\"POSITION.X\">\n";
    xml += "      <key frame=\"1\" value=\"" + QByteArray::number(i % 7 - 3) + "\"/>\n";
    xml += "      <key frame=\"" + QByteArray::number(10 + i % 20) + "\" value=\"" + QByteArray::number(i % 5) + "\"" +
           (i % 3 == 0 ? " interpolation=\"constant\"" : "") + "/>\n    </attr>\n";
    xml += "    <attr keyword=\"ROTATION.ANGLEZ\" value=\"" + QByteArray::number(i % 90) + "\"/>\n  </node>\n";
  }
  for (int i = 1; i < pegs; ++i)
    xml += "  <link from=\"Peg" + QByteArray::number(std::max(0, i - 1 - i % 3)) + "\" to=\"Peg" +
           QByteArray::number(i) + "\" toPort=\"0\"/>\n";
  return xml + "</scene>\n";
}

std::unique_ptr<Session> openScene(const QString& name) {
  const HostOptions plugins{QStringLiteral(VANTOREL_PLUGIN_DIR), QString()};
  if (name == QLatin1String("big_tree"))
    return Session::openData(bigTree(), name, plugins);
  if (name == QLatin1String("spring_feeds_others"))
    return Session::openData(springFeedsOthers(), name, plugins);
  if (name == QLatin1String("camera_on_spring"))
    return Session::openData(cameraOnSpring(), name, plugins);
  return openExample(qPrintable(name));
}

std::vector<Math::Matrix4x4> evaluate(Session& session, const std::vector<int>& frames, int jobs,
                                      const ParallelLimits& limits, int* threads = nullptr) {
  const std::vector<MO_Module*>& nodes = session.scene().nodes();
  std::vector<Math::Matrix4x4> all;
  std::size_t expected = 0;
  ParallelEvaluator evaluator(session.scene(), jobs, limits);
  evaluator.evaluate(nodes, frames, [&](std::size_t index, const std::vector<Math::Matrix4x4>& m) {
    EXPECT_EQ(index, expected++) << "frames reach the sink in order";
    all.insert(all.end(), m.begin(), m.end());
  });
  if (threads)
    *threads = evaluator.threadsUsed();
  return all;
}

// A frame-by-frame walk, node after node, of a scene loaded apart, so that nothing the run under
// test leaves behind (histories, caches) can make the two agree, and neither threads nor parts
// evaluated frames ahead take part.
std::vector<Math::Matrix4x4> reference(const QString& scene, const std::vector<int>& frames) {
  const std::unique_ptr<Session> session = openScene(scene);
  SC_SceneEvaluator walk(session->scene());
  std::vector<Math::Matrix4x4> all;
  for (int frame : frames)
    for (MO_Module* node : session->scene().nodes())
      all.push_back(walk.evaluate(node, frame));
  return all;
}

// Bit for bit, so that -0 against 0 and one NaN against another count as different.
void expectSameBits(const std::vector<Math::Matrix4x4>& a, const std::vector<Math::Matrix4x4>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    ASSERT_EQ(std::memcmp(a[i].values(), b[i].values(), 16 * sizeof(double)), 0) << "matrix " << i;
}

std::vector<int> range(int first, int last) {
  std::vector<int> frames;
  for (int f = first; f <= last; ++f)
    frames.push_back(f);
  return frames;
}

struct Case {
  const char* label;
  const char* scene;
  int jobs;
  ParallelLimits limits;
  std::vector<int> frames;
  int threads; // what the work repays
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

class ParallelEvaluatorCase : public ::testing::TestWithParam<Case> {};

TEST_P(ParallelEvaluatorCase, GivesTheSingleThreadsMatricesBitForBit) {
  const Case& c = GetParam();
  const std::unique_ptr<Session> session = openScene(QString::fromLatin1(c.scene));
  int threads = 0;
  const std::vector<Math::Matrix4x4> parallel = evaluate(*session, c.frames, c.jobs, c.limits, &threads);
  EXPECT_EQ(threads, c.threads);
  expectSameBits(parallel, reference(QString::fromLatin1(c.scene), c.frames));
}

const ParallelLimits kEveryFrame{1, std::size_t(1) << 18};

INSTANTIATE_TEST_SUITE_P(
    Cuts, ParallelEvaluatorCase,
    ::testing::Values(
        // The spring's history carried across rounds of three frames, cut inside the frame list.
        Case{"SpringAcrossRounds", "spring_feeds_others", 2, {1, 7}, range(1, 90), 2},
        Case{"SpringFourThreads", "spring_feeds_others", 4, kEveryFrame, range(1, 90), 4},
        // Frames asked out of order and twice, as a script may; the spring sees them in that order.
        Case{"ScatteredFrames", "spring_feeds_others", 3, kEveryFrame, {40, 3, 17, 3, 60, -2, 41}, 3},
        // Fewer frames than threads: one thread per frame at most.
        Case{"OneFrameThreeJobs", "arm_rig.xml", 3, kEveryFrame, {5}, 1},
        Case{"TwoFramesThreeJobs", "arm_rig.xml", 3, kEveryFrame, {5, 6}, 2},
        Case{"NoFrames", "arm_rig.xml", 3, kEveryFrame, {}, 1},
        // By default a thread needs a hundred frames to repay its copy of the scene.
        Case{"DefaultTooFewFrames", "arm_rig.xml", 2, {}, range(1, 199), 1},
        Case{"DefaultEnoughFrames", "arm_rig.xml", 3, {}, range(1, 200), 2},
        // One thread: the scene's three parts each a few frames ahead, the spring's among them; with the
        // camera on the spring, one part frame by frame.
        Case{"OneThreadPartsAhead", "spring_feeds_others", 1, {}, range(1, 90), 1},
        Case{"OneThreadScattered", "spring_feeds_others", 1, {}, {40, 3, 17, 3, 60, -2, 41, 42, 43}, 1},
        Case{"OneThreadOnePart", "camera_on_spring", 1, {}, range(1, 30), 1},
        // A part of hundreds of nodes, whose nodes are read ahead of their computation.
        Case{"BigPartOneThread", "big_tree", 1, {}, range(1, 40), 1},
        Case{"BigPartTwoThreads", "big_tree", 2, kEveryFrame, range(1, 40), 2},
        // With the camera on the spring every node has history: one thread for all.
        Case{"CameraOnTheSpring", "camera_on_spring", 3, kEveryFrame, range(1, 30), 1}),
    [](const auto& row) { return std::string(row.param.label); });

// Hand-reasoned: the spring and what it reaches through links carry history; with the camera on
// the spring, every node does.
TEST(ParallelEvaluator, NodesWithHistoryAreTheSpringAndWhatItDrives) {
  struct Row {
    QByteArray xml;
    std::vector<bool> expected; // Camera Driver Spring Child Other Aim Free Limit
  };
  const std::vector<Row> rows{{springFeedsOthers(), {false, false, true, true, false, true, false, false}},
                              {cameraOnSpring(), {true, true, true, true, true, true, true, true}}};
  for (const Row& row : rows) {
    const std::unique_ptr<Session> session =
        Session::openData(row.xml, QStringLiteral("scene"), HostOptions{QStringLiteral(VANTOREL_PLUGIN_DIR), {}});
    EXPECT_EQ(ParallelEvaluator::withHistory(session->scene(), session->scene().nodes()), row.expected);
  }
}

// Hand-reasoned: the camera alone, the spring's chain with the constraint it feeds, the limited
// peg; the camera on the spring joins everything, since any node may read the camera.
TEST(ParallelEvaluator, PartsAreWhatLinksJoin) {
  using Parts = std::vector<SC_SceneEvaluator::Part>;
  const std::vector<std::pair<QByteArray, Parts>> rows{{springFeedsOthers(), {{0}, {1, 2, 3, 4, 5}, {6, 7}}},
                                                       {cameraOnSpring(), {{0, 1, 2, 3, 4, 5, 6, 7}}}};
  for (const auto& [xml, parts] : rows) {
    const std::unique_ptr<Session> session =
        Session::openData(xml, QStringLiteral("scene"), HostOptions{QStringLiteral(VANTOREL_PLUGIN_DIR), {}});
    EXPECT_EQ(SC_SceneEvaluator::independentParts(session->scene(), session->scene().nodes()), parts);
  }
}

// The copies are read from the scene as it is now, not from its file.
TEST(ParallelEvaluator, AnEditNotYetSavedCountsOnEveryThread) {
  const std::unique_ptr<Session> edited = openExample("arm_rig.xml");
  const std::unique_ptr<Session> apart = openExample("arm_rig.xml");
  const std::vector<int> frames = range(1, 300);
  const std::vector<double> before = everyMatrix(*edited);
  for (Session* s : {edited.get(), apart.get()})
    s->setAttribute(QStringLiteral("Shoulder"), QStringLiteral("POSITION.Y"), 2.5);
  const std::size_t size = frames.size() * edited->nodes().size() * 16;
  std::vector<double> parallel(size), single(size);
  edited->setJobs(3);
  edited->evaluate(frames, {}, parallel.data(), MatrixLayout::ColumnOrder);
  apart->evaluate(frames, {}, single.data(), MatrixLayout::ColumnOrder);
  EXPECT_EQ(std::memcmp(parallel.data(), single.data(), size * sizeof(double)), 0);
  EXPECT_NE(std::memcmp(parallel.data(), before.data(), before.size() * sizeof(double)), 0) << "the edit shows";
}

// A sink that refuses a frame (bake-keys' non-finite matrix) stops the work with its own error,
// every thread stopped, and no later frame reaches it; refused while its piece is prepared (on any
// thread), the frame's round never reaches the sink: rounds here are five frames (40 matrices of
// eight nodes), so frame 24's starts at the 21st.
TEST(ParallelEvaluator, AnErrorInTheSinkStopsTheWorkAtThatFrame) {
  const std::unique_ptr<Session> session = openScene(QStringLiteral("spring_feeds_others"));
  for (const bool whilePreparing : {false, true}) {
    std::size_t delivered = 0;
    const auto refuse = [](std::size_t index) {
      if (index == 23)
        throw BadArgumentError(QStringLiteral("frame 24 refused"));
    };
    const ParallelEvaluator::Stage deliver = [&](std::size_t index, const std::vector<Math::Matrix4x4>&, std::string&) {
      ++delivered;
      if (!whilePreparing)
        refuse(index);
    };
    const ParallelEvaluator::Stage prepare = [&](std::size_t index, const std::vector<Math::Matrix4x4>&, std::string&) {
      refuse(index);
    };
    ParallelEvaluator evaluator(session->scene(), 3, {1, 40});
    EXPECT_THROW(evaluator.evaluate(session->scene().nodes(), range(1, 100),
                                    ParallelEvaluator::StagedSink{whilePreparing ? prepare : nullptr, deliver}),
                 BadArgumentError);
    EXPECT_EQ(delivered, whilePreparing ? 20u : 24u);
  }
}

// Pieces prepared on every thread reach the sink with their own frame's matrices, in order.
TEST(ParallelEvaluator, PiecesPreparedOnEveryThreadComeInOrder) {
  const std::unique_ptr<Session> session = openScene(QStringLiteral("spring_feeds_others"));
  const std::vector<int> frames = range(1, 300);
  std::vector<Math::Matrix4x4> delivered;
  ParallelEvaluator evaluator(session->scene(), 3, {1, 40});
  evaluator.evaluate(session->scene().nodes(), frames,
                     ParallelEvaluator::StagedSink{
                         [](std::size_t, const std::vector<Math::Matrix4x4>& m, std::string& piece) {
                           piece.assign(reinterpret_cast<const char*>(m.data()), m.size() * sizeof(Math::Matrix4x4));
                         },
                         [&](std::size_t, const std::vector<Math::Matrix4x4>& m, std::string& piece) {
                           ASSERT_EQ(piece.size(), m.size() * sizeof(Math::Matrix4x4));
                           const auto* made = reinterpret_cast<const Math::Matrix4x4*>(piece.data());
                           delivered.insert(delivered.end(), made, made + m.size());
                         }});
  EXPECT_EQ(evaluator.threadsUsed(), 3);
  expectSameBits(delivered, reference(QStringLiteral("spring_feeds_others"), frames));
}

} // namespace
