#include "CurvePlot.h"

#include <algorithm>
#include <cmath>

#include "BaseCore/CameraTransformChain.h"
#include "GraphicCore/VU_Painter.h"

namespace {

const VS_RGBA kBackground(255, 255, 255);
const VS_RGBA kText(40, 44, 54);
const VS_RGBA kTickText(90, 95, 105);
const VS_RGBA kFrame(170, 175, 185);
const VS_RGBA kGrid(228, 231, 236);
const VS_RGBA kKey(60, 64, 74);
// Ten colours that stay apart from each other on white (the usual categorical palette).
const VS_RGBA kPalette[] = {{31, 119, 180}, {255, 127, 14},  {44, 160, 44},   {214, 39, 40},  {148, 103, 189},
                            {140, 86, 75},  {227, 119, 194}, {127, 127, 127}, {188, 189, 34}, {23, 190, 207}};

constexpr double kTitleSize = 15.0;
constexpr double kLabelSize = 12.0;
constexpr double kMinLeft = 78.0;
constexpr double kTop = 58.0;
constexpr double kPanelGap = 30.0;
constexpr double kKeyRowHeight = 18.0;
constexpr int kMarkedFramesAtMost = 80;

const char* unitTitle(CurvePlot::Unit u) {
  switch (u) {
  case CurvePlot::ePosition:
    return "position (scene units)";
  case CurvePlot::eAngle:
    return "rotation and skew (degrees)";
  case CurvePlot::eScale:
    return "scale";
  }
  return "";
}

// Text for a tick value with as many decimals as the step between ticks needs.
QString tickText(double v, double step) {
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  QString t = QString::number(v, 'f', decimals);
  if (t.startsWith(QLatin1Char('-')) && t.count(QLatin1Char('0')) + t.count(QLatin1Char('.')) == t.size() - 1)
    t.remove(0, 1); // "-0.0" reads as noise
  return t;
}

// Model coordinates are the image's pixels, y down.
Math::CameraTransformChain pixelChain(const QSize& size) {
  Math::CameraTransformChain chain;
  chain.setViewport(Math::Rect2d(0, 0, size.width(), size.height()));
  chain.setProjectionMatrix(
      Math::Matrix4x4(2.0 / size.width(), 0, 0, 0, 0, -2.0 / size.height(), 0, 0, 0, 0, 1, 0, -1, 1, 0, 1));
  return chain;
}

Math::Point3d at(double x, double y) { return Math::Point3d(x, y, 0.0); }

} // namespace

std::vector<double> CurvePlot::ticks(double lo, double hi, int count, double minStep) {
  if (!(hi > lo))
    return {lo};
  const double rough = (hi - lo) / std::max(1, count);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= rough * (1.0 - 1e-9)) { // a range a hair wider than round keeps its step
      step = m * power;
      break;
    }
  step = std::max(step, minStep);
  std::vector<double> t;
  const double first = std::floor(lo / step + 1e-9) * step;
  for (int i = 0;; ++i) {
    const double v = first + i * step;
    t.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
    if (v >= hi - step * 1e-9)
      break;
  }
  return t;
}

std::vector<std::size_t> CurvePlot::drawnFrames(const std::vector<double>& values, double pixels) {
  const std::size_t n = values.size();
  const auto columns = static_cast<std::size_t>(std::max(1.0, pixels));
  std::vector<std::size_t> path;
  if (n <= 2 * columns) {
    for (std::size_t k = 0; k < n; ++k)
      path.push_back(k);
    return path;
  }
  for (std::size_t c = 0, begin = 0; c < columns; ++c) {
    const std::size_t end = (c + 1) * n / columns;
    std::size_t lo = begin, hi = begin;
    for (std::size_t k = begin; k < end; ++k) {
      lo = values[k] < values[lo] ? k : lo;
      hi = values[k] > values[hi] ? k : hi;
    }
    for (std::size_t k : {begin, std::min(lo, hi), std::max(lo, hi), end - 1})
      if (path.empty() || path.back() != k)
        path.push_back(k);
    begin = end;
  }
  return path;
}

bool CurvePlot::save(const QString& path, const QSize& size, QString* why) const {
  VU_Painter painter(nullptr);
  const double w = size.width(), h = size.height();

  int longest = 0;
  for (const Series& s : m_series)
    longest = std::max(longest, static_cast<int>(s.label.size()));
  const double legendWidth = std::max(120.0, 44.0 + 0.62 * kLabelSize * longest);
  // Room on the left for the key rows' node names.
  int longestRow = 0;
  for (const KeyRow& r : m_keys)
    longestRow = std::max(longestRow, static_cast<int>(r.label.size()));
  const double plotLeft = std::max(kMinLeft, 24.0 + 0.62 * kLabelSize * longestRow);
  const double right = w - legendWidth - 12.0;
  const double keysTop = h - 10.0 - kKeyRowHeight * static_cast<double>(m_keys.size()) - (m_keys.empty() ? 0.0 : 8.0);
  const double plotBottom = keysTop - 44.0;

  // The frame axis; a single frame gets half a frame on either side.
  const double f0 = m_first == m_last ? m_first - 0.5 : m_first, f1 = m_first == m_last ? m_last + 0.5 : m_last;
  auto xOf = [&](double f) { return plotLeft + (f - f0) / (f1 - f0) * (right - plotLeft); };

  painter.setTextColor(kText);
  painter.setTextSize(kTitleSize);
  painter.drawText(at(plotLeft, 24.0), m_title, Qt::AlignLeft | Qt::AlignVCenter);

  std::vector<Unit> units;
  for (Unit u : {ePosition, eAngle, eScale})
    if (std::any_of(m_series.begin(), m_series.end(), [&](const Series& s) { return s.unit == u; }))
      units.push_back(u);
  const double panels = static_cast<double>(std::max<std::size_t>(units.size(), 1));
  const double panelHeight = (plotBottom - kTop - (panels - 1.0) * kPanelGap) / panels;
  const std::vector<double> frameTicks = ticks(m_first, m_last, static_cast<int>((right - plotLeft) / 70.0), 1.0);

  for (std::size_t p = 0; p < units.size(); ++p) {
    const double top = kTop + static_cast<double>(p) * (panelHeight + kPanelGap), bottom = top + panelHeight;
    double lo = INFINITY, hi = -INFINITY;
    for (const Series& s : m_series)
      if (s.unit == units[p])
        for (double v : s.values)
          if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
          }
    if (!(lo <= hi))
      lo = hi = 0.0;
    const double flat = units[p] == eScale ? 0.05 : 0.5;
    const double pad = hi - lo > 1e-12 ? 0.04 * (hi - lo) : flat;
    const std::vector<double> valueTicks = ticks(lo - pad, hi + pad, static_cast<int>(panelHeight / 45.0) + 1);
    const double v0 = valueTicks.front(), v1 = std::max(valueTicks.back(), v0 + 1e-12);
    auto yOf = [&](double v) { return bottom - (v - v0) / (v1 - v0) * (bottom - top); };
    const double step = valueTicks.size() > 1 ? valueTicks[1] - valueTicks[0] : 1.0;

    painter.setLineThickness(1.0, 1);
    painter.setLineStrokeColor(kGrid);
    for (double v : valueTicks)
      painter.drawLine(at(plotLeft, yOf(v)), at(right, yOf(v)));
    for (double f : frameTicks)
      if (f >= f0 && f <= f1)
        painter.drawLine(at(xOf(f), top), at(xOf(f), bottom));
    painter.setLineStrokeColor(kFrame);
    painter.drawLine(at(plotLeft, top), at(right, top));
    painter.drawLine(at(right, top), at(right, bottom));
    painter.drawLine(at(right, bottom), at(plotLeft, bottom));
    painter.drawLine(at(plotLeft, bottom), at(plotLeft, top));
    painter.setTextColor(kTickText);
    painter.setTextSize(kLabelSize);
    for (double v : valueTicks) {
      painter.drawLine(at(plotLeft - 4.0, yOf(v)), at(plotLeft, yOf(v)));
      painter.drawText(at(plotLeft - 7.0, yOf(v)), tickText(v, step), Qt::AlignRight | Qt::AlignVCenter);
    }
    painter.setTextColor(kText);
    painter.drawText(at(plotLeft, top - 7.0), QString::fromLatin1(unitTitle(units[p])),
                     Qt::AlignLeft | Qt::AlignBottom);

    // Colours count from the first in each panel, whose legend stands beside it.
    std::size_t shown = 0;
    for (const Series& s : m_series) {
      if (s.unit != units[p])
        continue;
      const VS_RGBA colour = kPalette[shown % std::size(kPalette)];
      const double ly = top + 8.0 + 20.0 * static_cast<double>(shown++);
      painter.setLineStrokeColor(colour);
      painter.setLineThickness(3.0, 1);
      painter.drawLine(at(right + 18.0, ly), at(right + 42.0, ly));
      painter.setTextColor(kText);
      painter.drawText(at(right + 50.0, ly), s.label, Qt::AlignLeft | Qt::AlignVCenter);
      painter.setLineStrokeColor(colour);
      // Each curve a little thinner than the one before, so that one lying on another still
      // shows as a rim.
      painter.setLineThickness(std::max(1.2, 3.0 - 0.45 * static_cast<double>(shown - 1)), 1);
      painter.setPointFillColor(colour);
      painter.setPointStrokeColor(colour);
      painter.setPointSize(4.0, 1);
      const std::vector<std::size_t> line = drawnFrames(s.values, right - plotLeft);
      for (std::size_t k = 1; k < line.size(); ++k)
        painter.drawLine(at(xOf(m_first + static_cast<double>(line[k - 1])), yOf(s.values[line[k - 1]])),
                         at(xOf(m_first + static_cast<double>(line[k])), yOf(s.values[line[k]])));
      if (s.values.size() <= kMarkedFramesAtMost)
        for (std::size_t k = 0; k < s.values.size(); ++k)
          painter.drawPoint(at(xOf(m_first + static_cast<double>(k)), yOf(s.values[k])));
    }
  }

  // The frame axis under the last panel.
  painter.setLineStrokeColor(kFrame);
  painter.setLineThickness(1.0, 1);
  painter.setTextColor(kTickText);
  painter.setTextSize(kLabelSize);
  for (double f : frameTicks)
    if (f >= f0 && f <= f1) {
      painter.drawLine(at(xOf(f), plotBottom), at(xOf(f), plotBottom + 4.0));
      painter.drawText(at(xOf(f), plotBottom + 6.0), tickText(f, 1.0), Qt::AlignHCenter | Qt::AlignTop);
    }
  painter.setTextColor(kText);
  painter.drawText(at(0.5 * (plotLeft + right), plotBottom + 24.0), QStringLiteral("frame"),
                   Qt::AlignHCenter | Qt::AlignTop);

  // The keys of what drives the curves: a row per node.
  for (std::size_t r = 0; r < m_keys.size(); ++r) {
    const double y = keysTop + 8.0 + (static_cast<double>(r) + 0.5) * kKeyRowHeight;
    painter.setLineStrokeColor(kGrid);
    painter.setLineThickness(1.0, 1);
    painter.drawLine(at(plotLeft, y), at(right, y));
    painter.setTextColor(kText);
    painter.drawText(at(plotLeft - 7.0, y), m_keys[r].label, Qt::AlignRight | Qt::AlignVCenter);
    painter.setLineStrokeColor(kKey);
    painter.setPointFillColor(kKey);
    for (double f : m_keys[r].frames) {
      const double x = xOf(f), d = 4.5;
      painter.drawQuad(at(x, y - d), at(x + d, y), at(x, y + d), at(x - d, y));
    }
  }

  return painter.drawing()->save(path, pixelChain(size), size, kBackground, false, why);
}
