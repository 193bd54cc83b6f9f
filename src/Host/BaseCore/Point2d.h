#pragma once

// A position in a 2-D frame, usually the view (viewport units) or the drawing plane.
// Arithmetic treats it as a vector as well, which the callers use for offsets and averages.
// No degenerate input: plain IEEE double; equality is exact.

#include <iosfwd>

namespace Math {

struct Point2d {
  double x = 0.0;
  double y = 0.0;

  Point2d() = default;
  Point2d(double px, double py) : x(px), y(py) {}

  Point2d operator+(const Point2d& p) const { return {x + p.x, y + p.y}; }
  Point2d operator-(const Point2d& p) const { return {x - p.x, y - p.y}; }
  Point2d operator*(double s) const { return {x * s, y * s}; }
  Point2d operator/(double s) const { return {x / s, y / s}; }
  Point2d operator-() const { return {-x, -y}; }

  Point2d& operator+=(const Point2d& p) {
    x += p.x;
    y += p.y;
    return *this;
  }
  Point2d& operator-=(const Point2d& p) {
    x -= p.x;
    y -= p.y;
    return *this;
  }
  Point2d& operator*=(double s) {
    x *= s;
    y *= s;
    return *this;
  }

  bool operator==(const Point2d& p) const { return x == p.x && y == p.y; }
  bool operator!=(const Point2d& p) const { return !(*this == p); }

  static double GetDistance(const Point2d& a, const Point2d& b);
  double distanceSq(const Point2d& p) const;
};

std::ostream& operator<<(std::ostream& os, const Point2d& p);

} // namespace Math
