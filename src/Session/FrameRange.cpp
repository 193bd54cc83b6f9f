#include "FrameRange.h"

#include <QRegularExpression>

bool FrameRange::parse(const QString& text, FrameRange& range, QString* why) {
  static const QRegularExpression re(QStringLiteral("^\\s*(-?\\d+)\\s*(?:-\\s*(-?\\d+)\\s*)?$"));
  const QRegularExpressionMatch m = re.match(text);
  if (!m.hasMatch()) {
    if (why)
      *why = QStringLiteral("\"%1\" is not a frame range (A or A-B)").arg(text);
    return false;
  }
  for (int i = 1; i <= 2; ++i) {
    bool ok = false;
    const qlonglong f = m.captured(i).toLongLong(&ok);
    if (!m.captured(i).isEmpty() && (!ok || f < -kMaxFrame || f > kMaxFrame)) {
      if (why)
        *why = QStringLiteral("frame %1 in \"%2\" is out of range (frames go from %3 to %4)")
                   .arg(m.captured(i), text)
                   .arg(-kMaxFrame)
                   .arg(kMaxFrame);
      return false;
    }
  }
  FrameRange r;
  r.first = m.captured(1).toInt();
  r.last = m.captured(2).isEmpty() ? r.first : m.captured(2).toInt();
  if (r.last < r.first) {
    if (why)
      *why = QStringLiteral("frame range \"%1\" ends before it starts").arg(text);
    return false;
  }
  range = r;
  return true;
}

std::vector<int> FrameRange::frames() const {
  std::vector<int> all;
  all.reserve(static_cast<std::size_t>(count()));
  for (int f = first; f <= last; ++f)
    all.push_back(f);
  return all;
}
