#pragma once
// A chart of values over frames, drawn in pixels and saved as PNG or SVG: one panel per kind of
// value (positions in scene units, angles in degrees, scale factors), each with its own value
// axis, ticks, grid and legend, all sharing one frame axis; one coloured curve per series;
// under the frame axis one row per keyed node, a diamond at each frame it has a key.
// A series holds one value per frame of the chart; a flat one gets a small band around it.
#include <QSize>
#include <QString>
#include <vector>

class CurvePlot {
public:
  enum Unit { ePosition, eAngle, eScale };
  struct Series {
    QString label;
    Unit unit;
    std::vector<double> values; // at each frame of the chart
  };
  struct KeyRow {
    QString label;
    std::vector<double> frames;
  };

  CurvePlot(const QString& title, int firstFrame, int lastFrame)
      : m_title(title), m_first(firstFrame), m_last(lastFrame) {}
  void add(const Series& series) { m_series.push_back(series); }
  void add(const KeyRow& row) { m_keys.push_back(row); }

  // A PNG or SVG by extension, written whole or not at all; false with a reason.
  bool save(const QString& path, const QSize& size, QString* why) const;

  // Round values (1, 2 or 5 times a power of ten apart, at least `minStep`) from lo to hi
  // inclusive, about `count` of them; the first is at or below lo, the last at or above hi.
  static std::vector<double> ticks(double lo, double hi, int count, double minStep = 0.0);
  // The indices of the values a curve's line runs through, in order. With more values than
  // twice the pixels across, each pixel column keeps only its first, lowest, highest and last:
  // the line looks the same, and long ranges draw (and SVGs stay) small.
  static std::vector<std::size_t> drawnFrames(const std::vector<double>& values, double pixels);

private:
  QString m_title;
  int m_first, m_last;
  std::vector<Series> m_series;
  std::vector<KeyRow> m_keys;
};
