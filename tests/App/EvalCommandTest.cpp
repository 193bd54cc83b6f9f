// vantorel eval and check as a user runs them: the real binary, its output parsed back and compared
// with the same scenes evaluated in this process.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstring>

#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PlugInManager/PLUG_PlugInManager.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "VantorelProcess.h"

namespace {

const QString kTwoPegs = QStringLiteral(VANTOREL_TEST_SCENES "/eval_two_pegs.xml");

TEST(CheckCommand, GoodSceneReportsItsSize) {
  const ProcessResult r = vantorel({"check", kTwoPegs});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.contains("2 nodes, 1 links, frames 1-3")) << r.out.toStdString();
}

std::vector<double> npyValues(const QString& path, std::size_t frames, std::size_t nodes) {
  const QByteArray data = bytesOf(path);
  const int start = 10 + (static_cast<unsigned char>(data[8]) | static_cast<unsigned char>(data[9]) << 8);
  EXPECT_TRUE(data.left(start).contains(QStringLiteral("'shape': (%1, %2, 16)").arg(frames).arg(nodes).toLatin1()));
  std::vector<double> v(static_cast<std::size_t>(data.size() - start) / 8);
  std::memcpy(v.data(), data.constData() + start, v.size() * 8); // '<f8' on this little-endian machine
  return v;
}

class EvalExactness : public ::testing::TestWithParam<const char*> {};

// Each frame of each node evaluated in process on a freshly loaded scene (nothing kept between
// frames) equals, bit for bit, what each format wrote in one streaming run.
TEST_P(EvalExactness, EveryFormatWritesExactlyTheDoublesEvaluatedFrameByFrameInAFreshScene) {
  static PLUG_PlugInManager plugins; // the plug-ins vantorel loads, loaded the same way
  static const bool loaded =
      plugins.loadFolder(QFileInfo(QStringLiteral(VANTOREL_BINARY)).dir().filePath(QStringLiteral("plugins")))
          .failed.empty();
  ASSERT_TRUE(loaded);
  const QString scenePath = QString::fromUtf8(GetParam());
  PIO_LoadError error;
  const auto scene = PIO_SceneReader::readFile(scenePath, &error);
  ASSERT_TRUE(scene) << error.message.toStdString();
  const std::size_t nodes = scene->nodes().size(),
                    frames = static_cast<std::size_t>(scene->lastFrame() - scene->firstFrame() + 1);
  std::vector<double> frameMajor(frames * nodes * 16), nodeMajor(frameMajor.size());
  for (std::size_t f = 0; f < frames; ++f) {
    const auto fresh = PIO_SceneReader::readFile(scenePath, &error);
    for (std::size_t n = 0; n < nodes; ++n) {
      const Math::Matrix4x4 m =
          SC_SceneEvaluator(*fresh).evaluate(fresh->nodes()[n], scene->firstFrame() + static_cast<int>(f));
      m.getValues(&frameMajor[(f * nodes + n) * 16]);
      m.getValues(&nodeMajor[(n * frames + f) * 16]);
    }
  }
  // JSON holds node after node: each node's rows in the scene's order of nodes.
  std::vector<double> json;
  std::map<QString, std::vector<Matrix16>> byNode = evalJson({scenePath});
  for (const MO_Module* node : scene->nodes())
    for (const Matrix16& m : byNode[node->instanceName()])
      json.insert(json.end(), m.begin(), m.end());
  QTemporaryDir dir;
  const QString npy = dir.filePath(QStringLiteral("out.npy"));
  ASSERT_EQ(vantorel({"eval", scenePath, "--format", "npy", "-o", npy}).status, 0);
  const std::pair<std::vector<double>, const std::vector<double>*> written[] = {
      {evalFile(scenePath), &frameMajor}, {json, &nodeMajor}, {npyValues(npy, frames, nodes), &frameMajor}};
  for (const auto& [got, expected] : written) {
    ASSERT_EQ(got.size(), expected->size());
    for (std::size_t i = 0; i < got.size(); ++i)
      ASSERT_EQ(std::memcmp(&got[i], &(*expected)[i], 8), 0)
          << "value " << i << ": " << got[i] << " vs " << (*expected)[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, EvalExactness,
                         ::testing::Values(VANTOREL_EXAMPLES "/arm_rig.xml", VANTOREL_EXAMPLES "/static_bake.xml",
                                           VANTOREL_EXAMPLES "/switch_gate.xml",
                                           VANTOREL_TEST_SCENES "/eval_two_pegs.xml",
                                           VANTOREL_TEST_SCENES "/persistent_peg_hierarchy.xml",
                                           VANTOREL_TEST_SCENES "/eval_printing_static.xml"));

TEST(EvalCommand, PegValuesGiveBackThePartsOfAPegWithItsTurnsUnwrappedInEveryFormat) {
  const QString scene = QStringLiteral(VANTOREL_TEST_SCENES "/eval_peg_parts.xml");
  const ProcessResult csv = vantorel({"eval", scene, "--values", "peg"});
  const ProcessResult json = vantorel({"eval", scene, "--values", "peg", "--format", "json"});
  ASSERT_EQ(csv.status, 0) << csv.err.toStdString();
  ASSERT_EQ(json.status, 0) << json.err.toStdString();
  const QList<QByteArray> lines = csv.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 26);
  EXPECT_EQ(lines[0], "node,frame,tx,ty,tz,rx,ry,rz,sx,sy,sz,skew");
  const QJsonArray rows =
      QJsonDocument::fromJson(json.out).object()[QStringLiteral("nodes")].toObject()[QStringLiteral("Parts")].toArray();
  ASSERT_EQ(rows.size(), 25);
  const char* names[] = {"tx", "ty", "tz", "rx", "ry", "rz", "sx", "sy", "sz", "skew"};
  for (int f = 1; f <= 25; ++f) {
    const double want[] = {3, -2, 1.5, 10, -20, 30.0 * (f - 1), -1.5, 2, 0.5, 20};
    const QList<QByteArray> fields = lines[f].split(',');
    ASSERT_EQ(fields.size(), 12);
    const QJsonObject row = rows[f - 1].toObject();
    for (int c = 0; c < 10; ++c) {
      EXPECT_NEAR(fields[c + 2].toDouble(), want[c], 1e-9) << "frame " << f << " " << names[c];
      EXPECT_EQ(row[QLatin1String(names[c])].toDouble(), fields[c + 2].toDouble()) << names[c];
    }
  }
}

TEST(EvalCommand, WhatTheLibraryPrintsGoesToStderrNeverIntoTheData) {
  // The static node in this scene prints a line on standard output as it evaluates; the test
  // above reads this scene's data back exactly in every format.
  const ProcessResult r = vantorel({"eval", QStringLiteral(VANTOREL_TEST_SCENES "/eval_printing_static.xml")});
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(r.err.contains("Failed to invert 0-scaled matrix\n")) << r.err.toStdString();
  EXPECT_FALSE(r.out.contains("Failed")) << r.out.toStdString();
}

} // namespace
