#pragma once
// The angle constants of the nodes' arithmetic, written once: a half turn, a quarter turn and a
// whole turn in radians, and the factors between degrees and radians. Each is the double nearest
// its exact value.
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;
