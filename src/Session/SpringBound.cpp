#include "SpringBound.h"

#include <algorithm>
#include <cmath>

#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/MO_Module.h"

namespace {

// The spring simulates frames 1 to this; beyond, it passes its input through.
constexpr int kLastSimulatedFrame = 100000;

QString percent(double v) { return AT_ValueText::fromDouble(v) + QStringLiteral(" %"); }

} // namespace

bool SpringBound::runsAway(double tension, double inertia) {
  return !(std::fabs(inertia) <= 100.0 && tension >= 0.0 && tension <= maxTension(inertia));
}

double SpringBound::maxTension(double inertia) { return 200.0 + 2.0 * inertia; }

QString SpringBound::statement() {
  return QStringLiteral(
      "the spring's step stays bounded only while the inertia lies from -100 to 100 % and the tension from 0 to "
      "200 % plus twice the inertia");
}

const std::vector<SpringBound::Channel>& SpringBound::channels() {
  static const std::vector<Channel> all{{"TENSIONX", "INERTIAX"},       {"TENSIONY", "INERTIAY"},
                                        {"TENSIONZ", "INERTIAZ"},       {"TENSIONSCALE", "INERTIASCALE"},
                                        {"TENSIONSKEW", "INERTIASKEW"}, {"TENSIONROTATE", "INERTIAROTATE"}};
  return all;
}

QString SpringBound::check(MO_Module* spring, int lastFrame) {
  if (!spring || spring->moduleTypeName() != QLatin1String("DynamicSpring"))
    return QString();
  for (const Channel& c : channels()) {
    const auto* tension = dynamic_cast<const AT_DoubleAttr*>(spring->attr(QLatin1String(c.tension)));
    const auto* inertia = dynamic_cast<const AT_DoubleAttr*>(spring->attr(QLatin1String(c.inertia)));
    if (!tension || !inertia)
      continue;
    // Values that hold at every frame are read once; animated ones at every frame simulated.
    const bool animated = !static_cast<const AT_Attr*>(tension)->keys()->empty() ||
                          !static_cast<const AT_Attr*>(inertia)->keys()->empty();
    const int last = animated ? std::clamp(lastFrame, 1, kLastSimulatedFrame) : 1;
    for (int f = 1; f <= last; ++f) {
      const double t = tension->value(f), i = inertia->value(f);
      if (!runsAway(t, i))
        continue;
      const QString at = animated ? QStringLiteral(" at frame %1").arg(f) : QString();
      if (std::fabs(i) > 100.0)
        return QStringLiteral("spring \"%1\": %2 %3%4 lies where its step grows without bound (%5)")
            .arg(spring->instanceName(), QLatin1String(c.inertia), percent(i), at, statement());
      return QStringLiteral("spring \"%1\": %2 %3 with %4 %5%6 lies where its step grows without bound (%7: with "
                            "this inertia, from 0 to %8)")
          .arg(spring->instanceName(), QLatin1String(c.tension), percent(t), QLatin1String(c.inertia), percent(i), at,
               statement(), percent(maxTension(i)));
    }
  }
  return QString();
}
