// vantorel export as a user runs it, read back with tinygltf's loader: a worked example of units,
// constant channels, times, camera and markers. Every example in both layouts, read back and
// composed down the node tree against eval with the printed residuals, is gltf_check.py's
// (ExportGltf.IndependentReader), which reads the files without tinygltf, interpolating by time.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <tiny_gltf.h>

#include "VantorelProcess.h"

namespace {

const QString kExamples = QStringLiteral(VANTOREL_EXAMPLES);

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
