#include "SceneCore/AT_ValueText.h"

#include "BaseCore/DecimalText.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

// A plain decimal spelling ("-12.5", "0.25", "3e-05"): digits on both sides of any point, an
// exponent of at most three digits, and a value that is zero or a normal number. Scene files are
// full of these, and reading them directly is many times quicker than Qt's reading, which gives
// the same double for each of them. Anything else goes to Qt's reading, which decides.
std::optional<double> plainDecimal(QStringView t) {
  char text[64];
  const qsizetype n = t.size();
  if (n == 0 || n >= qsizetype(sizeof text))
    return std::nullopt;
  qsizetype i = 0;
  bool nonZero = false;
  auto digits = [&](qsizetype most, bool mantissa) {
    const qsizetype from = i;
    for (; i < n && i - from < most && t[i] >= u'0' && t[i] <= u'9'; ++i) {
      nonZero = nonZero || (mantissa && t[i] != u'0');
      text[i] = char(t[i].unicode());
    }
    return i > from;
  };
  auto sign = [&] {
    if (i < n && (t[i] == u'+' || t[i] == u'-')) {
      text[i] = char(t[i].unicode());
      ++i;
    }
  };
  sign();
  if (!digits(n, true))
    return std::nullopt;
  if (i < n && t[i] == u'.') {
    text[i++] = '.';
    if (!digits(n, true))
      return std::nullopt;
  }
  if (i < n && (t[i] == u'e' || t[i] == u'E')) {
    text[i++] = 'e';
    sign();
    if (!digits(3, false))
      return std::nullopt;
  }
  if (i != n)
    return std::nullopt;
  const char* begin = text[0] == '+' ? text + 1 : text;
  double d = 0.0;
  const std::from_chars_result r = std::from_chars(begin, text + n, d);
  if (r.ec != std::errc() || r.ptr != text + n || !std::isfinite(d) || (nonZero ? std::fabs(d) < DBL_MIN : d != 0.0))
    return std::nullopt;
  return d;
}

} // namespace

namespace AT_ValueText {

QString fromDouble(double v) {
  char text[DecimalText::kRoom];
  return QString::fromLatin1(text, DecimalText::shortest(text, v) - text);
}

QString fromBool(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }

bool toDouble(QStringView text, double& v, QString* why) {
  const QStringView trimmed = text.trimmed();
  if (const std::optional<double> plain = plainDecimal(trimmed)) {
    v = *plain;
    return true;
  }
  bool ok = false;
  const double d = trimmed.toDouble(&ok);
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

bool toBool(QStringView text, bool& v, QString* why) {
  const QStringView t = text.trimmed();
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
