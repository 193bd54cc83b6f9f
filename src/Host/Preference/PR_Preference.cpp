#include "Preference/PR_Preference.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <vector>

namespace {

bool parseColour(const QString& text, std::uint32_t& rgba, QString& why) {
  if (text.startsWith(QLatin1Char('#'))) {
    static const QRegularExpression kHex(QStringLiteral("^([0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})$"));
    const QString hex = text.mid(1);
    if (!kHex.match(hex).hasMatch()) {
      why = QStringLiteral("\"%1\" is not a colour #RRGGBB or #RRGGBBAA").arg(text);
      return false;
    }
    const std::uint32_t v = hex.toUInt(nullptr, 16);
    // #RRGGBBAA moves its alpha to the top byte.
    rgba = hex.size() == 6 ? (0xff000000u | v) : ((v & 0xffu) << 24) | (v >> 8);
    return true;
  }
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() < 3 || parts.size() > 4) {
    why = QStringLiteral("\"%1\" is not a colour r,g,b or r,g,b,a").arg(text);
    return false;
  }
  std::uint32_t c[4] = {0, 0, 0, 255};
  for (int i = 0; i < parts.size(); ++i) {
    bool ok = false;
    const int v = parts[i].trimmed().toInt(&ok);
    if (!ok || v < 0 || v > 255) {
      why = QStringLiteral("colour component \"%1\" is not a whole number from 0 to 255").arg(parts[i].trimmed());
      return false;
    }
    c[i] = static_cast<std::uint32_t>(v);
  }
  rgba = (c[3] << 24) | (c[0] << 16) | (c[1] << 8) | c[2];
  return true;
}

} // namespace

std::uint32_t PR_Preference::getRgbaValue(const QString& key, std::uint32_t defaultRgba) const {
  auto it = m_values.constFind(key);
  if (it == m_values.cend())
    return defaultRgba;
  const Colour* c = std::get_if<Colour>(&it.value());
  return c ? c->rgba : defaultRgba;
}

bool PR_Preference::getBoolValue(const QString& key, bool defaultValue) const {
  auto it = m_values.constFind(key);
  if (it == m_values.cend())
    return defaultValue;
  const bool* b = std::get_if<bool>(&it.value());
  return b ? *b : defaultValue;
}

double PR_Preference::getDoubleValue(const QString& key, double defaultValue) const {
  auto it = m_values.constFind(key);
  if (it == m_values.cend())
    return defaultValue;
  const double* d = std::get_if<double>(&it.value());
  return d ? *d : defaultValue;
}

void PR_Preference::setRgbaValue(const QString& key, std::uint32_t rgba) { m_values.insert(key, Colour{rgba}); }

void PR_Preference::setBoolValue(const QString& key, bool value) { m_values.insert(key, value); }

void PR_Preference::setDoubleValue(const QString& key, double value) { m_values.insert(key, value); }

bool PR_Preference::loadFile(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    if (error)
      *error = QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString());
    return false;
  }
  return loadText(QString::fromUtf8(file.readAll()), path, error);
}

// A value as the file writes it: true or false, a finite number, or a colour (#rrggbb[aa] or r,g,b[,a]).
bool PR_Preference::parseValue(const QString& value, Value& out, QString& why) {
  if (value == QLatin1String("true") || value == QLatin1String("false")) {
    out = Value(value == QLatin1String("true"));
    return true;
  }
  bool isNumber = false;
  const double number = value.toDouble(&isNumber);
  if (isNumber) {
    if (!std::isfinite(number)) {
      why = QStringLiteral("\"%1\" is not a finite number").arg(value);
      return false;
    }
    out = Value(number);
    return true;
  }
  if (value.startsWith(QLatin1Char('#')) || value.contains(QLatin1Char(','))) {
    std::uint32_t rgba = 0;
    if (!parseColour(value, rgba, why))
      return false;
    out = Value(Colour{rgba});
    return true;
  }
  why = QStringLiteral("\"%1\" is not a colour, true/false or a number").arg(value);
  return false;
}

bool PR_Preference::loadText(const QString& text, const QString& source, QString* error) {
  static const QRegularExpression kKey(QStringLiteral("^[A-Za-z0-9_.]+$"));
  std::vector<std::pair<QString, Value>> read;
  QStringList problems;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
      continue;
    auto report = [&](const QString& what) {
      problems << QStringLiteral("%1:%2: %3").arg(source).arg(i + 1).arg(what);
    };
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) {
      report(QStringLiteral("expected KEY = VALUE"));
      continue;
    }
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (!kKey.match(key).hasMatch()) {
      report(key.isEmpty() ? QStringLiteral("missing key before '='")
                           : QStringLiteral("\"%1\" is not a key (letters, digits, '_' and '.')").arg(key));
      continue;
    }
    if (value.isEmpty()) {
      report(QStringLiteral("missing value for %1").arg(key));
      continue;
    }
    Value parsed;
    QString why;
    if (parseValue(value, parsed, why))
      read.emplace_back(key, parsed);
    else
      report(why);
  }
  if (!problems.isEmpty()) {
    if (error)
      *error = problems.join(QLatin1Char('\n'));
    return false;
  }
  for (auto& [key, value] : read)
    m_values.insert(key, value);
  return true;
}

namespace {
PR_Preference g_preferences;
} // namespace

// The address of a static object is a constant, so the pointer is set before any library's
// static initialisers run.
PR_Preference* rxPref = &g_preferences;
