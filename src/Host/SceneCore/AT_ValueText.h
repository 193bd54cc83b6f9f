#pragma once
// How attribute values are spelled in scene files: numbers as the shortest text that reads back
// as the same double ("0.8", "1e-04", "-0"), flags as "true"/"false".
#include <QString>
#include <QStringView>

namespace AT_ValueText {
QString fromDouble(double v);
QString fromBool(bool v);
// Finite numbers only: NaN and infinities are refused with a reason.
bool toDouble(QStringView text, double& v, QString* why);
bool toInt(const QString& text, int& v, QString* why);
bool toBool(QStringView text, bool& v, QString* why);
} // namespace AT_ValueText
