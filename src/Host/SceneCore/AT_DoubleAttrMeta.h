#pragma once
// The declaration of a numeric attribute: keyword, display name, the preference key that gives
// its editing step, the range editors offer (weak) and the range values are held to (hard).
#include "SceneCore/AT_AttrMeta.h"

namespace AT_DoubleAttrMetaContainer {
constexpr double kDefaultWeakMinValue = -100.0;
constexpr double kDefaultWeakMaxValue = 100.0;
constexpr double kDefaultMinValue = -1.0e10;
constexpr double kDefaultMaxValue = 1.0e10;
constexpr double kDefaultValueStep = 0.1;
} // namespace AT_DoubleAttrMetaContainer

class AT_DoubleAttrMeta : public AT_AttrMeta {
public:
  AT_DoubleAttrMeta(const char* keyword, const char* displayName, const char* stepPreference,
                    double weakMin = AT_DoubleAttrMetaContainer::kDefaultWeakMinValue,
                    double weakMax = AT_DoubleAttrMetaContainer::kDefaultWeakMaxValue,
                    double min = AT_DoubleAttrMetaContainer::kDefaultMinValue,
                    double max = AT_DoubleAttrMetaContainer::kDefaultMaxValue,
                    double step = AT_DoubleAttrMetaContainer::kDefaultValueStep)
      : AT_AttrMeta(keyword, displayName), m_stepPreference(QString::fromLatin1(stepPreference ? stepPreference : "")),
        m_weakMin(weakMin), m_weakMax(weakMax), m_min(min), m_max(max), m_step(step) {}
  AT_DoubleAttrMeta(const QString& keyword, const QString& displayName, const QString& stepPreference,
                    double weakMin = AT_DoubleAttrMetaContainer::kDefaultWeakMinValue,
                    double weakMax = AT_DoubleAttrMetaContainer::kDefaultWeakMaxValue,
                    double min = AT_DoubleAttrMetaContainer::kDefaultMinValue,
                    double max = AT_DoubleAttrMetaContainer::kDefaultMaxValue,
                    double step = AT_DoubleAttrMetaContainer::kDefaultValueStep)
      : AT_AttrMeta(keyword, displayName), m_stepPreference(stepPreference), m_weakMin(weakMin), m_weakMax(weakMax),
        m_min(min), m_max(max), m_step(step) {}

  const QString& stepPreference() const { return m_stepPreference; }
  double weakMin() const { return m_weakMin; }
  double weakMax() const { return m_weakMax; }
  double min() const { return m_min; }
  double max() const { return m_max; }
  double step() const { return m_step; }

private:
  QString m_stepPreference;
  double m_weakMin, m_weakMax, m_min, m_max, m_step;
};
