#include "CurvePlot.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <iterator>

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
constexpr double kLegendRow = 18.0;
constexpr double kCurveWidth = 2.2;

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

bool CurvePlot::sameLine(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (!(std::fabs(a[k] - b[k]) <= 1e-9 * std::max(1.0, std::fabs(a[k]))))
      return false;
  return true;
}

std::vector<CurvePlot::Entry> CurvePlot::entriesOf(Unit unit) const {
  // Hues by node and dashes by channel, in the order they first come.
  QStringList nodes, channels;
  for (const Series& s : m_series) {
    if (!nodes.contains(s.node))
      nodes << s.node;
    if (s.unit == unit && !channels.contains(s.channel))
      channels << s.channel;
  }
  constexpr VU_Drawing::LineDash kDashes[] = {VU_Drawing::eSolid, VU_Drawing::eDashed, VU_Drawing::eDotted,
                                              VU_Drawing::eDashDotted};
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < m_series.size(); ++i) {
    const Series& s = m_series[i];
    if (s.unit != unit)
      continue;
    const QString label = s.node + QLatin1Char(' ') + s.channel;
    auto same = std::find_if(entries.begin(), entries.end(),
                             [&](const Entry& e) { return sameLine(m_series[e.series.front()].values, s.values); });
    if (same != entries.end()) {
      same->label += QStringLiteral(" = ") + label;
      same->series.push_back(i);
      continue;
    }
    entries.push_back(Entry{label,
                            {i},
                            kPalette[static_cast<std::size_t>(nodes.indexOf(s.node)) % std::size(kPalette)],
                            kDashes[static_cast<std::size_t>(channels.indexOf(s.channel)) % std::size(kDashes)],
                            {}});
  }
  return entries;
}

CurvePlot::Layout CurvePlot::layout(const QSize& size) const {
  Layout out;
  const double w = size.width(), h = size.height();
  std::vector<Unit> units;
  std::vector<std::vector<Entry>> entries;
  for (Unit u : {ePosition, eAngle, eScale})
    if (std::any_of(m_series.begin(), m_series.end(), [&](const Series& s) { return s.unit == u; })) {
      units.push_back(u);
      entries.push_back(entriesOf(u));
    }
  // Room on the left for the key rows' node names.
  int longestRow = 0;
  for (const KeyRow& r : m_keys)
    longestRow = std::max(longestRow, static_cast<int>(r.label.size()));
  out.plotLeft = std::max(kMinLeft, 24.0 + 0.62 * kLabelSize * longestRow);
  out.keysTop = h - 10.0 - kKeyRowHeight * static_cast<double>(m_keys.size()) - (m_keys.empty() ? 0.0 : 8.0);
  out.plotBottom = out.keysTop - 44.0;
  const double panels = static_cast<double>(std::max<std::size_t>(units.size(), 1));
  const double panelHeight = (out.plotBottom - kTop - (panels - 1.0) * kPanelGap) / panels;

  // Legends fill columns down their panel's height, and take as many columns as the fullest
  // needs, so that no entry ever reaches past its panel.
  int longest = 0;
  std::size_t most = 1;
  for (const auto& list : entries) {
    most = std::max(most, list.size());
    for (const Entry& e : list)
      longest = std::max(longest, static_cast<int>(e.label.size()));
  }
  const double columnWidth = std::max(120.0, 52.0 + 0.62 * kLabelSize * longest);
  const auto perColumn = static_cast<std::size_t>(std::max(1.0, std::floor((panelHeight - 4.0) / kLegendRow)));
  const std::size_t columns = (most + perColumn - 1) / perColumn;
  out.plotRight = std::max(out.plotLeft + 40.0, w - 12.0 - columnWidth * static_cast<double>(columns));

  for (std::size_t p = 0; p < units.size(); ++p) {
    const double top = kTop + static_cast<double>(p) * (panelHeight + kPanelGap);
    Panel panel{units[p], QRectF(QPointF(out.plotLeft, top), QPointF(out.plotRight, top + panelHeight)),
                std::move(entries[p])};
    for (std::size_t k = 0; k < panel.entries.size(); ++k)
      panel.entries[k].box =
          QRectF(out.plotRight + 12.0 + columnWidth * static_cast<double>(k / perColumn),
                 top + 2.0 + kLegendRow * static_cast<double>(k % perColumn), columnWidth - 8.0, kLegendRow - 2.0);
    out.panels.push_back(std::move(panel));
  }
  return out;
}

namespace {

// The frame axis, shared by every panel; a single frame gets half a frame on either side.
struct FrameAxis {
  double f0, f1, left, right;
  FrameAxis(int first, int last, double l, double r)
      : f0(first == last ? first - 0.5 : first), f1(first == last ? last + 0.5 : last), left(l), right(r) {}
  double x(double f) const { return left + (f - f0) / (f1 - f0) * (right - left); }
  bool shows(double f) const { return f >= f0 && f <= f1; }
};

// A panel's value axis: round ticks a little beyond the values of its unit.
struct ValueAxis {
  std::vector<double> ticks;
  double v0, v1, top, bottom, step;
  double y(double v) const { return bottom - (v - v0) / (v1 - v0) * (bottom - top); }
};

ValueAxis valueAxis(const std::vector<CurvePlot::Series>& series, const CurvePlot::Panel& panel) {
  double lo = INFINITY, hi = -INFINITY;
  for (const CurvePlot::Series& s : series)
    if (s.unit == panel.unit)
      for (double v : s.values)
        if (std::isfinite(v)) {
          lo = std::min(lo, v);
          hi = std::max(hi, v);
        }
  if (!(lo <= hi))
    lo = hi = 0.0;
  const double flat = panel.unit == CurvePlot::eScale ? 0.05 : 0.5;
  const double pad = hi - lo > 1e-12 ? 0.04 * (hi - lo) : flat;
  ValueAxis a;
  a.ticks = CurvePlot::ticks(lo - pad, hi + pad, static_cast<int>(panel.plot.height() / 45.0) + 1);
  a.v0 = a.ticks.front();
  a.v1 = std::max(a.ticks.back(), a.v0 + 1e-12);
  a.top = panel.plot.top();
  a.bottom = panel.plot.bottom();
  a.step = a.ticks.size() > 1 ? a.ticks[1] - a.ticks[0] : 1.0;
  return a;
}

// The panel's grid, frame, value ticks and unit title.
void drawPanelFrame(VU_Painter& painter, CurvePlot::Unit unit, const FrameAxis& fx, const ValueAxis& vy,
                    const std::vector<double>& frameTicks) {
  painter.setLineThickness(1.0, 1);
  painter.setLineDash(VU_Drawing::eSolid);
  painter.setLineStrokeColor(kGrid);
  for (double v : vy.ticks)
    painter.drawLine(at(fx.left, vy.y(v)), at(fx.right, vy.y(v)));
  for (double f : frameTicks)
    if (fx.shows(f))
      painter.drawLine(at(fx.x(f), vy.top), at(fx.x(f), vy.bottom));
  painter.setLineStrokeColor(kFrame);
  painter.drawLine(at(fx.left, vy.top), at(fx.right, vy.top));
  painter.drawLine(at(fx.right, vy.top), at(fx.right, vy.bottom));
  painter.drawLine(at(fx.right, vy.bottom), at(fx.left, vy.bottom));
  painter.drawLine(at(fx.left, vy.bottom), at(fx.left, vy.top));
  painter.setTextColor(kTickText);
  painter.setTextSize(kLabelSize);
  for (double v : vy.ticks) {
    painter.drawLine(at(fx.left - 4.0, vy.y(v)), at(fx.left, vy.y(v)));
    painter.drawText(at(fx.left - 7.0, vy.y(v)), tickText(v, vy.step), Qt::AlignRight | Qt::AlignVCenter);
  }
  painter.setTextColor(kText);
  painter.drawText(at(fx.left, vy.top - 7.0), QString::fromLatin1(unitTitle(unit)), Qt::AlignLeft | Qt::AlignBottom);
}

// One legend entry and its line (points at every frame when there are few).
void drawEntry(VU_Painter& painter, const CurvePlot::Entry& e, const CurvePlot::Series& s, int first,
               const FrameAxis& fx, const ValueAxis& vy) {
  const double ly = e.box.center().y();
  painter.setLineStrokeColor(e.colour);
  painter.setLineDash(e.dash);
  painter.setLineThickness(kCurveWidth, 1);
  painter.drawLine(at(e.box.left() + 6.0, ly), at(e.box.left() + 36.0, ly));
  painter.setTextColor(kText);
  painter.drawText(at(e.box.left() + 42.0, ly), e.label, Qt::AlignLeft | Qt::AlignVCenter);
  std::vector<Math::Point3d> line;
  for (std::size_t k : CurvePlot::drawnFrames(s.values, fx.right - fx.left))
    line.push_back(at(fx.x(first + static_cast<double>(k)), vy.y(s.values[k])));
  painter.drawPolyline(line);
  painter.setLineDash(VU_Drawing::eSolid);
  if (s.values.size() <= kMarkedFramesAtMost) {
    painter.setPointFillColor(e.colour);
    painter.setPointStrokeColor(e.colour);
    painter.setPointSize(3.5, 1);
    for (std::size_t k = 0; k < s.values.size(); ++k)
      painter.drawPoint(at(fx.x(first + static_cast<double>(k)), vy.y(s.values[k])));
  }
}

// The frame axis's ticks and title under the last panel.
void drawFrameAxis(VU_Painter& painter, const FrameAxis& fx, const std::vector<double>& frameTicks, double bottom) {
  painter.setLineStrokeColor(kFrame);
  painter.setLineThickness(1.0, 1);
  painter.setTextColor(kTickText);
  painter.setTextSize(kLabelSize);
  for (double f : frameTicks)
    if (fx.shows(f)) {
      painter.drawLine(at(fx.x(f), bottom), at(fx.x(f), bottom + 4.0));
      painter.drawText(at(fx.x(f), bottom + 6.0), tickText(f, 1.0), Qt::AlignHCenter | Qt::AlignTop);
    }
  painter.setTextColor(kText);
  painter.drawText(at(0.5 * (fx.left + fx.right), bottom + 24.0), QStringLiteral("frame"),
                   Qt::AlignHCenter | Qt::AlignTop);
}

// The keys of what drives the curves: a row per node, a diamond at each key.
void drawKeyRows(VU_Painter& painter, const std::vector<CurvePlot::KeyRow>& rows, double keysTop, const FrameAxis& fx) {
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const double y = keysTop + 8.0 + (static_cast<double>(r) + 0.5) * kKeyRowHeight;
    painter.setLineStrokeColor(kGrid);
    painter.setLineThickness(1.0, 1);
    painter.drawLine(at(fx.left, y), at(fx.right, y));
    painter.setTextColor(kText);
    painter.drawText(at(fx.left - 7.0, y), rows[r].label, Qt::AlignRight | Qt::AlignVCenter);
    painter.setLineStrokeColor(kKey);
    painter.setPointFillColor(kKey);
    for (double f : rows[r].frames) {
      const double x = fx.x(f), d = 4.5;
      painter.drawQuad(at(x, y - d), at(x + d, y), at(x, y + d), at(x - d, y));
    }
  }
}

} // namespace

bool CurvePlot::save(const QString& path, const QSize& size, QString* why) const {
  VU_Painter painter(nullptr);
  const Layout l = layout(size);
  const FrameAxis fx(m_first, m_last, l.plotLeft, l.plotRight);
  painter.setTextColor(kText);
  painter.setTextSize(kTitleSize);
  painter.drawText(at(l.plotLeft, 24.0), m_title, Qt::AlignLeft | Qt::AlignVCenter);
  const std::vector<double> frameTicks = ticks(m_first, m_last, static_cast<int>((fx.right - fx.left) / 70.0), 1.0);
  for (const Panel& panel : l.panels) {
    const ValueAxis vy = valueAxis(m_series, panel);
    drawPanelFrame(painter, panel.unit, fx, vy, frameTicks);
    for (const Entry& e : panel.entries)
      drawEntry(painter, e, m_series[e.series.front()], m_first, fx, vy);
  }
  drawFrameAxis(painter, fx, frameTicks, l.plotBottom);
  drawKeyRows(painter, m_keys, l.keysTop, fx);
  return painter.drawing()->save(path, pixelChain(size), size, kBackground, false, why);
}
