#include "BaseCore/Point2d.h"

#include <cmath>
#include <ostream>

namespace Math {

double Point2d::GetDistance(const Point2d& a, const Point2d& b) {
  // hypot avoids overflow for far-apart points that a plain sqrt of squares would lose.
  return std::hypot(a.x - b.x, a.y - b.y);
}

double Point2d::distanceSq(const Point2d& p) const {
  const double dx = x - p.x;
  const double dy = y - p.y;
  return dx * dx + dy * dy;
}

std::ostream& operator<<(std::ostream& os, const Point2d& p) { return os << "Point2d(" << p.x << ", " << p.y << ")"; }

} // namespace Math
