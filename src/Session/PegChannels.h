#pragma once
// A node's output matrices, frame after frame, taken apart into the values an unparented peg
// with its pivot at the origin keys to give the same matrix: position in scene units (the
// scene's metrics undo the drawing-unit conversion), rotation about x, y and z in degrees, scale
// and skew in degrees. Each frame's angles are the ones nearest the previous frame's, so a
// motion that turns smoothly never jumps by a whole turn; a mirror shows as a negative x scale.
// What a peg cannot express (a z axis sheared towards the drawing, a perspective row) is
// dropped: the peg then gives the nearest matrix it can. One per node and run.
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "BaseCore/Matrix4x4.h"
#include "SceneCore/PegTransform.h"
#include "SceneCore/SC_SceneMetrics.h"

class PegChannels {
public:
  enum Channel { Tx, Ty, Tz, Rx, Ry, Rz, Sx, Sy, Sz, Skew, kCount };
  using Values = std::array<double, kCount>;

  // "tx", "ty", "tz", "rx", "ry", "rz", "sx", "sy", "sz", "skew", in channel order.
  static const QStringList& names();
  // The channel a name stands for; empty for an unknown name.
  static std::optional<Channel> channel(const QString& name);

  explicit PegChannels(const SC_SceneMetrics& metrics) : m_metrics(metrics) {}

  // The next frame's values.
  Values next(const Math::Matrix4x4& m);

private:
  SC_SceneMetrics m_metrics;
  std::optional<PegTransform> m_previous;
};
