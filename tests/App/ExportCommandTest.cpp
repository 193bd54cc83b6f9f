// vantorel export as a user runs it, read back with tinygltf's loader: every example in both
// layouts sampled at every frame and composed down the node tree (with the host's own matrices,
// not the exporter's arithmetic) against eval; the printed residual against the largest
// difference; and a worked example of units, constant channels, times, camera and markers.
// (tests/App/gltf_check.py reads the files again without tinygltf, interpolating by time.)
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <map>
#include <tiny_gltf.h>

#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Quat.h"
#include "VantorelProcess.h"

namespace {

using Matrix = std::array<double, 16>;
const QString kExamples = QStringLiteral(VANTOREL_EXAMPLES);

std::map<QString, std::vector<Matrix>> evalJson(const QString& scene) {
  const ProcessResult r = vantorel({"eval", scene, "--format", "json"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  std::map<QString, std::vector<Matrix>> run;
  const QJsonObject nodes = QJsonDocument::fromJson(r.out).object()[QStringLiteral("nodes")].toObject();
  for (auto it = nodes.begin(); it != nodes.end(); ++it)
    for (const QJsonValue& row : it.value().toArray()) {
      Matrix m{};
      for (int i = 0; i < 16; ++i)
        m[static_cast<std::size_t>(i)] = row.toArray()[i].toDouble();
      run[it.key()].push_back(m);
    }
  return run;
}

struct Exported {
  tinygltf::Model model;
  QString said;
};

Exported exportAndLoad(const QStringList& args, const QString& out) {
  const ProcessResult r = vantorel(QStringList{"export"} + args + QStringList{"-o", out});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  Exported e;
  e.said = QString::fromUtf8(r.out);
  tinygltf::TinyGLTF loader;
  std::string err, warn;
  const bool ok = out.endsWith(QLatin1String(".glb"))
                      ? loader.LoadBinaryFromFile(&e.model, &err, &warn, out.toStdString())
                      : loader.LoadASCIIFromFile(&e.model, &err, &warn, out.toStdString());
  EXPECT_TRUE(ok && err.empty() && warn.empty()) << err << warn;
  return e;
}

const float* floats(const tinygltf::Model& m, int accessor) {
  const tinygltf::Accessor& a = m.accessors[static_cast<std::size_t>(accessor)];
  const tinygltf::BufferView& v = m.bufferViews[static_cast<std::size_t>(a.bufferView)];
  EXPECT_EQ(a.componentType, TINYGLTF_COMPONENT_TYPE_FLOAT);
  return reinterpret_cast<const float*>(m.buffers[0].data.data() + v.byteOffset + a.byteOffset);
}

// Every node's matrix at frame index k (scene units), composed down the tree: each channel's key
// k, which stands at that frame's time, over the node's own values.
std::vector<Math::Matrix4x4> worldsAt(const tinygltf::Model& m, std::size_t k) {
  std::vector<std::array<double, 10>> parts; // translation, rotation (x, y, z, w), scale
  for (const tinygltf::Node& n : m.nodes) {
    std::array<double, 10> p{0, 0, 0, 0, 0, 0, 1, 1, 1, 1};
    std::copy(n.translation.begin(), n.translation.end(), p.begin());
    std::copy(n.rotation.begin(), n.rotation.end(), p.begin() + 3);
    std::copy(n.scale.begin(), n.scale.end(), p.begin() + 7);
    parts.push_back(p);
  }
  for (const tinygltf::Animation& a : m.animations)
    for (const tinygltf::AnimationChannel& c : a.channels) {
      const tinygltf::AnimationSampler& s = a.samplers[static_cast<std::size_t>(c.sampler)];
      EXPECT_EQ(s.interpolation, "LINEAR");
      EXPECT_EQ(floats(m, s.input)[k], float(double(k) / 24.0));
      const std::size_t width = c.target_path == "rotation" ? 4 : 3;
      const std::size_t at = c.target_path == "translation" ? 0 : c.target_path == "rotation" ? 3 : 7;
      std::copy_n(floats(m, s.output) + k * width, width, parts[static_cast<std::size_t>(c.target_node)].begin() + at);
    }
  std::vector<Math::Matrix4x4> local;
  for (const std::array<double, 10>& p : parts) {
    Math::Matrix4x4 l;
    l.translate(p[0], p[1], p[2]);
    l *= Math::Quat(p[6], p[3], p[4], p[5]).matrix();
    l.scale(p[7], p[8], p[9]);
    local.push_back(l);
  }
  std::vector<int> parent(m.nodes.size(), -1);
  for (std::size_t i = 0; i < m.nodes.size(); ++i)
    for (int c : m.nodes[i].children)
      parent[static_cast<std::size_t>(c)] = static_cast<int>(i);
  std::vector<Math::Matrix4x4> world = local;
  for (std::size_t i = 0; i < world.size(); ++i)
    for (int p = parent[i]; p >= 0; p = parent[static_cast<std::size_t>(p)])
      world[i] = local[static_cast<std::size_t>(p)] * world[i];
  return world;
}

// Whether a translation, rotation and scale give m: no perspective row, square non-zero axes.
bool trsExpressible(const Math::Matrix4x4& m) {
  if (m[3] != 0 || m[7] != 0 || m[11] != 0 || m[15] != 1)
    return false;
  const Math::Vector3d axes[3] = {m.xAxis(), m.yAxis(), m.zAxis()};
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 3; ++j)
      if (!(std::fabs(axes[i].getDotProduct(axes[j])) <= 1e-9 * axes[i].length() * axes[j].length()))
        return false;
  return axes[0].length() > 0 && axes[1].length() > 0 && axes[2].length() > 0;
}

struct Layout {
  const char* scene;
  bool hierarchy;
};

class ExportEveryExample : public ::testing::TestWithParam<Layout> {};

TEST_P(ExportEveryExample, ReadBackEachNodeGivesEvalsMatrixOrThePrintedResidual) {
  const QString scene = kExamples + QLatin1Char('/') + QString::fromLatin1(GetParam().scene);
  QTemporaryDir dir;
  const bool nested = GetParam().hierarchy;
  const Exported e = exportAndLoad(nested ? QStringList{scene, "--hierarchy"} : QStringList{scene},
                                   dir.filePath(nested ? QStringLiteral("a.gltf") : QStringLiteral("a.glb")));
  const std::map<QString, std::vector<Matrix>> evaluated = evalJson(scene);
  const QRegularExpressionMatch range =
      QRegularExpression(QStringLiteral("frames (\\d+)-(\\d+) at 24 frames per second")).match(e.said);
  ASSERT_TRUE(range.hasMatch()) << e.said.toStdString();
  const int frames = range.captured(2).toInt() - range.captured(1).toInt() + 1;
  QFile file(scene);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QRegularExpressionMatch factors =
      QRegularExpression(QStringLiteral("<metrics x=\"([^\"]+)\" y=\"([^\"]+)\" z=\"([^\"]+)\"")).match(file.readAll());
  double metrics[3] = {1 / 12.0, 1 / 12.0, 1 / 12.0};
  for (int i = 0; factors.hasMatch() && i < 3; ++i)
    metrics[i] = factors.captured(i + 1).toDouble();
  std::vector<double> largest(e.model.nodes.size(), 0.0);
  std::vector<bool> within(e.model.nodes.size(), true), expressible(e.model.nodes.size(), true);
  std::vector<int> parent(e.model.nodes.size(), -1);
  for (std::size_t i = 0; i < parent.size(); ++i)
    for (int c : e.model.nodes[i].children)
      parent[static_cast<std::size_t>(c)] = static_cast<int>(i);
  for (int k = 0; k < frames; ++k) {
    const std::vector<Math::Matrix4x4> world = worldsAt(e.model, static_cast<std::size_t>(k));
    for (std::size_t n = 0; n < world.size(); ++n) {
      const Matrix& m = evaluated.at(QString::fromStdString(e.model.nodes[n].name))[static_cast<std::size_t>(k)];
      // What the file must give exactly: the matrix (in scene units), or its part under the parent read back.
      Math::Matrix4x4 target(m.data());
      for (int i = 0; i < 3; ++i)
        target.setValue(12 + i, m[static_cast<std::size_t>(12 + i)] / metrics[i]);
      const int p = parent[n];
      expressible[n] =
          expressible[n] && trsExpressible(p < 0 ? target : world[static_cast<std::size_t>(p)].getInverse() * target);
      for (int i = 0; i < 16; ++i) {
        const double given = i >= 12 && i < 15 ? world[n][i] * metrics[i - 12] : world[n][i];
        const double d = std::fabs(given - m[static_cast<std::size_t>(i)]);
        const int c = i / 4 * 4;
        const double size =
            std::max({1.0, std::fabs(m[c]), std::fabs(m[c + 1]), std::fabs(m[c + 2]), std::fabs(m[c + 3])});
        largest[n] = std::max(largest[n], d);
        within[n] = within[n] && d <= 1e-6 * size;
      }
    }
  }
  for (std::size_t n = 0; n < largest.size(); ++n) {
    const QString name = QString::fromStdString(e.model.nodes[n].name);
    const QRegularExpressionMatch said =
        QRegularExpression(QStringLiteral("node \"%1\": largest residual (\\S+) at frame \\d+ \\(m\\d+\\)(.*)")
                               .arg(QRegularExpression::escape(name)))
            .match(e.said);
    ASSERT_TRUE(said.hasMatch()) << name.toStdString();
    EXPECT_EQ(said.captured(2).isEmpty(), bool(within[n])) << name.toStdString();
    EXPECT_TRUE(within[n] || !expressible[n]) << name.toStdString() << " is off by " << largest[n];
    if (!within[n]) {
      EXPECT_NEAR(said.captured(1).toDouble(), largest[n], 1e-6 * std::max(1.0, largest[n])) << name.toStdString();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExportEveryExample, ::testing::ValuesIn([] {
                           std::vector<Layout> rows;
                           for (const char* s : {"arm_rig.xml", "limit_forearm.xml", "multi_points_card.xml",
                                                 "multi_points_perspective.xml", "spring_tail.xml", "static_bake.xml",
                                                 "switch_gate.xml", "three_points_patch.xml", "two_points_arm.xml"})
                             for (bool h : {false, true})
                               rows.push_back({s, h});
                           return rows;
                         }()),
                         [](const ::testing::TestParamInfo<Layout>& row) {
                           std::string name =
                               QString::fromLatin1(row.param.scene).section(QLatin1Char('.'), 0, 0).toStdString();
                           return name + (row.param.hierarchy ? "_hierarchy" : "_flat");
                         });

TEST(ExportCommand, ArmRigRootIsWrittenOnceInSceneUnitsAndTheCameraKeepsItsLens) {
  QTemporaryDir dir;
  const Exported e =
      exportAndLoad({kExamples + "/arm_rig.xml", "--frames", "5-9", "--fps", "30"}, dir.filePath("a.glb"));
  const tinygltf::Model& m = e.model;
  ASSERT_EQ(m.nodes.size(), 5u);
  // Root: POSITION (-4, 1.5) and SCALE (1.25, 1.25) never change: no channel, the values on the node.
  const tinygltf::Node& root = m.nodes[1];
  EXPECT_EQ(root.name, "Root");
  EXPECT_EQ(root.translation, (std::vector<double>{-4, 1.5, 0}));
  EXPECT_EQ(root.scale, (std::vector<double>{1.25, 1.25, 1}));
  EXPECT_TRUE(root.rotation.empty());
  for (const tinygltf::AnimationChannel& c : m.animations.at(0).channels)
    EXPECT_NE(c.target_node, 1) << c.target_path;
  // Frames 5 to 9 at 30 per second: keys at 0, 1/30, ..., 4/30 s.
  const int input = m.animations[0].samplers.at(0).input;
  ASSERT_EQ(m.accessors[static_cast<std::size_t>(input)].count, 5u);
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(floats(m, input)[k], float(k / 30.0));
  // FOV 45 degrees, the scene's 16:9, NEAR 0.1 and FAR 1000 drawing units over z's 0.05 a scene unit.
  ASSERT_EQ(m.cameras.size(), 1u);
  EXPECT_EQ(m.nodes[0].camera, 0);
  EXPECT_NEAR(m.cameras[0].perspective.yfov, M_PI / 4, 1e-15);
  EXPECT_NEAR(m.cameras[0].perspective.aspectRatio, 16.0 / 9.0, 1e-15);
  EXPECT_NEAR(m.cameras[0].perspective.znear, 2.0, 1e-12);
  EXPECT_NEAR(m.cameras[0].perspective.zfar, 20000.0, 1e-9);
  ASSERT_EQ(m.meshes.size(), 1u);
  EXPECT_EQ(m.meshes[0].primitives.at(0).mode, TINYGLTF_MODE_LINE);
  for (const tinygltf::Node& n : m.nodes)
    EXPECT_EQ(n.mesh, 0);
  EXPECT_TRUE(exportAndLoad({kExamples + "/arm_rig.xml", "--no-markers"}, dir.filePath("b.glb")).model.meshes.empty());
}

} // namespace
