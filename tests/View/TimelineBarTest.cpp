// The timeline as a user plays with it on the spring tail, whose springs keep a history of
// frames: playing forward, scrubbing the slider back, jumping with the keys and typing a frame
// give every spring, at every frame shown, the matrices vantorel eval prints for that frame;
// Space plays and pauses, the arrows step a frame, Home and End jump to the range's ends.
#include <gtest/gtest.h>

#include <QSlider>

#include "TimelineBar.h"
#include "ViewTestSupport.h"

namespace {

const QStringList kSprings{QStringLiteral("Root"), QStringLiteral("Mid"), QStringLiteral("Tip")};

std::vector<double> shown(Session& s, int frame) {
  std::vector<double> values;
  for (const QString& n : kSprings) {
    const Math::Matrix4x4 m = s.matrix(n, frame);
    values.insert(values.end(), m.values(), m.values() + 16);
  }
  return values;
}

TEST(Timeline, PlayingScrubbingAndJumpingGiveTheSpringsTheMatricesEvalPrints) {
  const std::map<int, std::vector<double>> expected =
      evalByFrame(QStringLiteral(VANTOREL_EXAMPLES "/spring_tail.xml"), kSprings);
  ASSERT_EQ(expected.size(), 48u);
  TestWindow w = showExample("spring_tail.xml");
  ViewDocument& doc = w.window->document();
  TimelineBar* timeline = w.window->timeline();
  std::vector<std::pair<int, std::vector<double>>> seen;
  QObject::connect(&doc, &ViewDocument::frameChanged, [&](int frame) {
    EXPECT_EQ(w.session().currentFrame(), frame) << "edits key the frame shown";
    seen.emplace_back(frame, shown(w.session(), frame));
    w.viewport()->picture(); // drawn at each frame, as the screen would be
  });

  EXPECT_EQ(timeline->framesPerSecond(), 24) << "the default speed";
  timeline->setFramesPerSecond(240);
  QTest::keyClick(w.window.get(), Qt::Key_Space);
  EXPECT_TRUE(timeline->isPlaying());
  EXPECT_TRUE(QTest::qWaitFor([&] { return doc.frame() >= 30; }, 20000));
  QTest::keyClick(w.window.get(), Qt::Key_Space);
  EXPECT_FALSE(timeline->isPlaying());
  const int played = doc.frame();
  for (int f = played; f >= 5; f -= 3)
    timeline->slider()->setValue(f);
  QTest::keyClick(w.window.get(), Qt::Key_End);
  EXPECT_EQ(doc.frame(), 48);
  QTest::keyClick(w.window.get(), Qt::Key_Left);
  EXPECT_EQ(doc.frame(), 47);
  QTest::keyClick(w.window.get(), Qt::Key_Home);
  EXPECT_EQ(doc.frame(), 1);
  QTest::keyClick(w.window.get(), Qt::Key_Right);
  EXPECT_EQ(doc.frame(), 2);
  QTest::keyClick(w.window.get(), Qt::Key_Left);
  QTest::keyClick(w.window.get(), Qt::Key_Left);
  EXPECT_EQ(doc.frame(), 1) << "stepping stops at the range's first frame";
  doc.setFrame(40);
  doc.setFrame(17);

  ASSERT_GT(seen.size(), 40u);
  for (const auto& [frame, values] : seen)
    EXPECT_EQ(values, expected.at(frame)) << "frame " << frame;
  EXPECT_EQ(timeline->slider()->value(), 17) << "the slider follows the frame shown";
}

} // namespace
