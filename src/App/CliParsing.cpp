#include "CliParsing.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <limits>

#include "CliError.h"
#include "ParallelEvaluator.h"

namespace {
// Larger images than this are a typo, and would only exhaust memory.
constexpr int kMaxSide = 16384;

bool finiteNumber(const QString& text, double& v) {
  bool ok = false;
  v = text.trimmed().toDouble(&ok);
  return ok && std::isfinite(v);
}

// Written as a number but too large for one ("1e400", "99999999999" for a whole number).
bool outOfRange(const QString& text, bool whole) {
  static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
  static const QRegularExpression integer(QStringLiteral("^[+-]?\\d+$"));
  return (whole ? integer : number).match(text.trimmed()).hasMatch();
}
} // namespace

double CliParsing::frame(const QString& command, const QString& text) {
  double v = 0.0;
  if ((!finiteNumber(text, v) && outOfRange(text, false)) || std::fabs(v) > FrameRange::kMaxFrame)
    throw CliError(QStringLiteral("%1: --frame %2 is out of range (frames go from %3 to %4)")
                       .arg(command, text)
                       .arg(-FrameRange::kMaxFrame)
                       .arg(FrameRange::kMaxFrame));
  if (!finiteNumber(text, v))
    throw CliError(QStringLiteral("%1: --frame must be a number, not \"%2\"").arg(command, text));
  return v;
}

FrameRange CliParsing::frames(const QString& command, const QString& text) {
  FrameRange range;
  QString why;
  if (!FrameRange::parse(text, range, &why))
    throw CliError(QStringLiteral("%1: --frames: ").arg(command) + why);
  return range;
}

QSize CliParsing::size(const QString& command, const QString& text) {
  static const QRegularExpression pattern(QStringLiteral("^(\\d{1,6})x(\\d{1,6})$"));
  const QRegularExpressionMatch m = pattern.match(text);
  const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
  const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
  if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
    throw CliError(QStringLiteral("%1: --size must be WxH with whole numbers from 1 to %2, not \"%3\"")
                       .arg(command)
                       .arg(kMaxSide)
                       .arg(text));
  return QSize(w, h);
}

Math::Point2d CliParsing::point(const QString& command, const QString& option, const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  double x = 0.0, y = 0.0;
  for (const QString& part : parts)
    if (parts.size() == 2 && !finiteNumber(part, x) && outOfRange(part, false))
      throw CliError(QStringLiteral("%1: %2: %3 is out of range for a number").arg(command, option, part.trimmed()));
  if (parts.size() != 2 || !finiteNumber(parts[0], x) || !finiteNumber(parts[1], y))
    throw CliError(QStringLiteral("%1: %2 must be X,Y (two numbers), not \"%3\"").arg(command, option, text));
  return Math::Point2d(x, y);
}

int CliParsing::integer(const QString& command, const QString& option, const QString& text) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (!ok && outOfRange(text, true))
    throw CliError(QStringLiteral("%1: %2 %3 is out of range (whole numbers go from %4 to %5)")
                       .arg(command, option, text.trimmed())
                       .arg(std::numeric_limits<int>::min())
                       .arg(std::numeric_limits<int>::max()));
  if (!ok)
    throw CliError(QStringLiteral("%1: %2 must be a whole number, not \"%3\"").arg(command, option, text));
  return v;
}

void CliParsing::addJobsOption(QCommandLineParser& parser) {
  parser.addOption({QStringLiteral("jobs"),
                    QStringLiteral("Threads to evaluate on (default: the machine's cores, here %1)")
                        .arg(ParallelEvaluator::defaultJobs()),
                    QStringLiteral("N")});
}

int CliParsing::jobs(const QString& command, const QCommandLineParser& parser) {
  if (!parser.isSet(QStringLiteral("jobs")))
    return ParallelEvaluator::defaultJobs();
  const QString text = parser.value(QStringLiteral("jobs"));
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  if (!ok || n < 1 || n > ParallelEvaluator::kMaxJobs)
    throw CliError(command + QStringLiteral(": ") +
                   ParallelEvaluator::badJobs(QStringLiteral("--jobs"), QLatin1Char('"') + text + QLatin1Char('"')));
  return n;
}
