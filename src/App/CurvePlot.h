#pragma once
// A chart of values over frames, drawn in pixels and saved as PNG or SVG: one panel per kind of
// value (positions in scene units, angles in degrees, scale factors), each with its own value
// axis, ticks, grid and legend, all sharing one frame axis; under the frame axis one row per
// keyed node, a diamond at each frame it has a key. Each node keeps one hue and each channel
// one dash pattern across the chart, so a line says both whose and what it is; series that are
// equal over the whole range are drawn once, with one legend entry naming them all. A legend
// stays inside its panel's height, in as many columns as it needs. A series holds one value per
// frame of the chart; a flat one gets a small band around it.
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "GraphicCore/VS_RGBA.h"
#include "GraphicCore/VU_Drawing.h"

class CurvePlot {
public:
  enum Unit { ePosition, eAngle, eScale };
  struct Series {
    QString node;
    QString channel;
    Unit unit;
    std::vector<double> values; // at each frame of the chart
  };
  struct KeyRow {
    QString label;
    std::vector<double> frames;
  };

  // Where everything goes in an image of a given size.
  struct Entry {
    QString label;                   // "Tip rz", or "Tip rz = Tip-baked rz" for equal series
    std::vector<std::size_t> series; // the series drawn as this one line
    VS_RGBA colour;
    VU_Drawing::LineDash dash;
    QRectF box; // the legend entry: its sample line and text
  };
  struct Panel {
    Unit unit;
    QRectF plot; // the area the curves are drawn in
    std::vector<Entry> entries;
  };
  struct Layout {
    std::vector<Panel> panels;
    double plotLeft = 0, plotRight = 0, plotBottom = 0, keysTop = 0;
  };

  CurvePlot(const QString& title, int firstFrame, int lastFrame)
      : m_title(title), m_first(firstFrame), m_last(lastFrame) {}
  void add(const Series& series) { m_series.push_back(series); }
  void add(const KeyRow& row) { m_keys.push_back(row); }

  Layout layout(const QSize& size) const;
  // A PNG or SVG by extension, written whole or not at all; false with a reason.
  bool save(const QString& path, const QSize& size, QString* why) const;

  // Round values (1, 2 or 5 times a power of ten apart, at least `minStep`) from lo to hi
  // inclusive, about `count` of them; the first is at or below lo, the last at or above hi.
  static std::vector<double> ticks(double lo, double hi, int count, double minStep = 0.0);
  // The indices of the values a curve's line runs through, in order. With more values than
  // twice the pixels across, each pixel column keeps only its first, lowest, highest and last:
  // the line looks the same, and long ranges draw (and SVGs stay) small.
  static std::vector<std::size_t> drawnFrames(const std::vector<double>& values, double pixels);
  // Whether two series draw as one line: equal at every frame to a billionth of their size.
  static bool sameLine(const std::vector<double>& a, const std::vector<double>& b);

private:
  std::vector<Entry> entriesOf(Unit unit) const;

  QString m_title;
  int m_first, m_last;
  std::vector<Series> m_series;
  std::vector<KeyRow> m_keys;
};
