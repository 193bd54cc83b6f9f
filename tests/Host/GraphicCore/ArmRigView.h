#pragma once
// The example arm rig as its camera sees it, worked out by hand: the camera sits at z = 60
// scene units × 0.05 = 3 drawing units on the axis, looks down −z, 45° vertical field of view,
// 16:9; pivots are placed by the evaluated peg matrices (tested on their own elsewhere).
#include <gtest/gtest.h>

#include <QPointF>
#include <QSize>
#include <cmath>
#include <memory>
#include <vector>

#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace armrig {

constexpr double kCameraZ = 3.0;
constexpr double kAspect = 16.0 / 9.0;
inline double tanHalfFov() { return std::tan(22.5 * M_PI / 180.0); }

// The arm rig, or another example.
inline std::unique_ptr<SC_SceneCommon> load(const QString& name = QStringLiteral("arm_rig.xml")) {
  PIO_LoadError error;
  auto scene = PIO_SceneReader::readFile(QStringLiteral(VANTOREL_EXAMPLES "/") + name, &error);
  EXPECT_NE(scene, nullptr) << error.toString().toStdString();
  return scene;
}

struct Pivot {
  Peg* peg;
  Math::Point3d world;
};

inline std::vector<Pivot> pivots(SC_SceneCommon& scene, double frame) {
  std::vector<Pivot> out;
  SC_SceneEvaluator evaluator(scene);
  for (MO_Module* n : scene.nodes())
    if (auto* peg = dynamic_cast<Peg*>(n)) {
      Math::Point3d local;
      peg->pivot(MO_FrameKey(frame), local);
      out.push_back({peg, evaluator.evaluate(peg, frame) * scene.metrics().toOGL(local)});
    }
  return out;
}

// Pixel (x right, y down) of a world point through the camera.
inline QPointF cameraPixel(const Math::Point3d& w, const QSize& size) {
  const double depth = kCameraZ - w.z;
  const double ndcX = w.x / (depth * tanHalfFov() * kAspect);
  const double ndcY = w.y / (depth * tanHalfFov());
  return QPointF((ndcX + 1.0) * 0.5 * size.width(), (1.0 - ndcY) * 0.5 * size.height());
}

} // namespace armrig
