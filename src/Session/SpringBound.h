#pragma once
// Where a dynamic spring's step grows without bound. Each of its channels (a translation axis,
// the scale, the skew, the rotation) moves towards a still target as
//   v' = I v + T (target - p),   p' = p + v'
// with T the tension and I the inertia as fractions. In e = p - target that is the linear step
//   (e', v') = [[1 - T, I], [-T, I]] (e, v),
// whose matrix has trace 1 + I - T and determinant I: its roots solve
// lambda^2 - (1 + I - T) lambda + I = 0. They stay on or inside the unit circle (the spring
// settles or swings evenly) exactly when |I| <= 1 and 0 <= T <= 2 (1 + I) (Jury's conditions);
// outside, one root lies beyond it and every frame multiplies the swing by more than 1. In the
// attributes' percent: an inertia from -100 to 100 and a tension from 0 to 200 + 2 x inertia. An
// activity below 100 % only damps the step further. A rotation wraps at half a turn, so there
// the swing does not grow past it but never settles either.
#include <QString>
#include <vector>

class MO_Module;

namespace SpringBound {
// Percent, as the attributes hold them.
bool runsAway(double tension, double inertia);
// The largest tension that stays bounded with this inertia (percent).
double maxTension(double inertia);
// The bound in words, for the warning and the attribute descriptions.
QString statement();

// The tension and inertia attributes of the spring's channels, by keyword.
struct Channel {
  const char* tension;
  const char* inertia;
};
const std::vector<Channel>& channels();

// A warning naming the first channel and frame (1 to lastFrame) at which the spring's tension
// and inertia lie beyond the bound, or empty when they never do (or the node is no spring).
QString check(MO_Module* spring, int lastFrame);
} // namespace SpringBound
