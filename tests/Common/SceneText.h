#pragma once
// Scenes the tests write out as text or keep in tests/scenes, read by the real reader (a refusal fails the test with
// the reader's own words), and the orthographic top view the trail tests draw in: x across, z up the screen, 200 x 100
// pixels.
#include <gtest/gtest.h>

#include <QFile>
#include <memory>

#include "BaseCore/CameraTransformChain.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/SC_SceneCommon.h"

namespace scenetext {

// The bytes of a scene file kept with the tests (tests/scenes).
inline QByteArray testScene(const char* name) {
  QFile f(QStringLiteral(VANTOREL_TEST_SCENES "/") + QLatin1String(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  return f.readAll();
}

inline std::unique_ptr<SC_SceneCommon> read(const QByteArray& xml, const QString& label = QStringLiteral("test.xml")) {
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readData(xml, label, &error);
  EXPECT_NE(scene, nullptr) << qPrintable(error.toString());
  return scene;
}

// The nodes (and links) given, in a scene of the frames given.
inline std::unique_ptr<SC_SceneCommon> readNodes(const QString& nodes, int lastFrame) {
  return read(QStringLiteral("<scene version=\"1\" frames=\"1-%1\">%2</scene>").arg(lastFrame).arg(nodes).toUtf8());
}

inline Math::CameraTransformChain topView() {
  Math::CameraTransformChain top;
  top.setViewport(Math::Rect2d(0, 0, 200, 100));
  top.setViewMatrix(Math::Matrix4x4(1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1));
  top.setProjectionMatrix(Math::Matrix4x4(0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, -0.01, 0, 0, 0, 0, 1));
  return top;
}

} // namespace scenetext
