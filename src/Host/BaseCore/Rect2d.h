#pragma once

// An axis-aligned rectangle given by its four edges, in view units. The edges are kept as
// given, so width and height may be negative: the host's viewport is (-1, 1, 1, -1), with
// top above bottom, and a rectangle with top below bottom flips y on purpose.

namespace Math {

struct Rect2d {
  double left = 0.0;
  double top = 0.0;
  double right = 0.0;
  double bottom = 0.0;

  Rect2d() = default;
  Rect2d(double l, double t, double r, double b) : left(l), top(t), right(r), bottom(b) {}

  double width() const;
  double height() const;
};

} // namespace Math
