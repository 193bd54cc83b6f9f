#include "PegChannels.h"

const QStringList& PegChannels::names() {
  static const QStringList n{QStringLiteral("tx"), QStringLiteral("ty"),  QStringLiteral("tz"), QStringLiteral("rx"),
                             QStringLiteral("ry"), QStringLiteral("rz"),  QStringLiteral("sx"), QStringLiteral("sy"),
                             QStringLiteral("sz"), QStringLiteral("skew")};
  return n;
}

std::optional<PegChannels::Channel> PegChannels::channel(const QString& name) {
  const int i = names().indexOf(name);
  return i < 0 ? std::nullopt : std::optional<Channel>(static_cast<Channel>(i));
}

PegChannels::Values PegChannels::next(const Math::Matrix4x4& m) {
  const PegTransform t = PegTransform::fromMatrix(m, m_previous ? &*m_previous : nullptr);
  m_previous = t;
  const Math::Point3d p = m_metrics.fromOGL(t.position);
  Values v{p.x, p.y, p.z, t.angles.x, t.angles.y, t.angles.z, t.scale.x, t.scale.y, t.scale.z, t.skew};
  for (double& x : v)
    x += 0.0; // -0 becomes 0: keys and columns read as a person would write them
  return v;
}
