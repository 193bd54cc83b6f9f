#include "SceneCore/AT_ValueText.h"

#include <charconv>
#include <cmath>

namespace AT_ValueText {

QString fromDouble(double v) {
  char text[32];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, v);
  return QString::fromLatin1(text, r.ptr - text);
}

QString fromBool(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }

bool toDouble(const QString& text, double& v, QString* why) {
  bool ok = false;
  const double d = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(d)) {
    if (why)
      *why = ok ? QStringLiteral("\"%1\" is not a finite number").arg(text)
                : QStringLiteral("\"%1\" is not a number").arg(text);
    return false;
  }
  v = d;
  return true;
}

bool toInt(const QString& text, int& v, QString* why) {
  bool ok = false;
  const int i = text.trimmed().toInt(&ok);
  if (!ok) {
    if (why)
      *why = QStringLiteral("\"%1\" is not a whole number").arg(text);
    return false;
  }
  v = i;
  return true;
}

bool toBool(const QString& text, bool& v, QString* why) {
  const QString t = text.trimmed();
  if (t == QLatin1String("true") || t == QLatin1String("1")) {
    v = true;
    return true;
  }
  if (t == QLatin1String("false") || t == QLatin1String("0")) {
    v = false;
    return true;
  }
  if (why)
    *why = QStringLiteral("\"%1\" is not true or false").arg(text);
  return false;
}

} // namespace AT_ValueText
