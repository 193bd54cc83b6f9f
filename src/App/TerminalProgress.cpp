#include "TerminalProgress.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

QString duration(double seconds) {
  if (seconds < 60)
    return QStringLiteral("%1 s").arg(std::max(1L, std::lround(seconds)));
  if (seconds < 3600)
    return QStringLiteral("%1 min").arg(std::lround(seconds / 60));
  return QStringLiteral("%1 h %2 min")
      .arg(std::lround(std::floor(seconds / 3600)))
      .arg(std::lround(std::fmod(seconds, 3600) / 60));
}

} // namespace

QString progressLine(const char* what, int done, int total, double elapsedSeconds) {
  const int share = total > 0 ? static_cast<int>(std::floor(100.0 * done / total)) : 100;
  QString line = QStringLiteral("%1 frame %2 of %3 (%4 %").arg(QLatin1String(what)).arg(done).arg(total).arg(share);
  if (done > 0 && done < total && elapsedSeconds >= 1.0)
    line += QStringLiteral(", about %1 left").arg(duration(elapsedSeconds / done * (total - done)));
  return line + QLatin1Char(')');
}

std::function<void(int done, int total)> terminalProgress(const char* what, bool large,
                                                          std::function<QString(int done)> detail) {
  if (!large || !isatty(STDERR_FILENO))
    return {};
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  auto shown = std::make_shared<Clock::time_point>(start - std::chrono::seconds(1));
  return [what, start, shown, detail](int done, int total) {
    const Clock::time_point now = Clock::now();
    if (done != total && now - *shown < std::chrono::milliseconds(200))
      return;
    *shown = now;
    QString line = progressLine(what, done, total, std::chrono::duration<double>(now - start).count());
    if (detail)
      line += QStringLiteral(": ") + detail(done);
    // Padded so that a shorter line leaves nothing of the longer one before it.
    std::fprintf(stderr, "\r%-78s%s", qPrintable(line), done == total ? "\n" : "");
    std::fflush(stderr);
  };
}
