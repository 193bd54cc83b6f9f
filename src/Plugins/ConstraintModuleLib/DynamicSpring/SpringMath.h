#pragma once
// The spring's arithmetic, apart from the node. A frame's state holds one value per channel
// (translation in drawing units, three scale factors, a rotation quaternion, three skew angles
// in degrees) and its velocity; the step pulls each channel toward its target by a tension and
// carries the previous velocity on by an inertia, both fractions (the attributes / 100).
// Exact zeros on the diagonal and scales near zero are nudged so results stay finite and
// invertible.
#include <cstdint>

#include "HostInterface/HostMath.h"

// One frame of the spring: what it was made from, its state and the matrix it gave.
struct SpringHistoryEntry {
  Math::Matrix4x4 staticMatrix; // the static parent used at that frame
  bool update = false;          // whether the frame advanced the spring's output
  std::int64_t stamp = -1;      // the node's cache stamp when the entry was made
  Math::Vector3d translation;
  Math::Vector3d scale{1, 1, 1};
  Math::Quat rotation;
  Math::Vector3d skew; // degrees
  Math::Vector3d translationVelocity;
  Math::Vector3d scaleVelocity;
  Math::Quat rotationVelocity; // the rotation added per frame
  Math::Vector3d skewVelocity;
  double activity = 1.0;
  bool valid = false;
  Math::Matrix4x4 result; // the spring's matrix, before the static parent
};

// Where the spring is pulled: the channels of the input at the frame.
struct SpringTarget {
  Math::Vector3d translation;
  Math::Vector3d scale{1, 1, 1};
  Math::Quat rotation;
  Math::Vector3d skew;
};

// Tensions (share of the remaining distance added to the velocity) and inertias (share of the
// velocity kept), as fractions.
struct SpringGains {
  Math::Vector3d translationTension, translationInertia;
  double scaleTension = 0, scaleInertia = 0;
  double skewTension = 0, skewInertia = 0;
  double rotateTension = 0, rotateInertia = 0;
};

// The spring's settings at a frame.
struct SpringSettings {
  double activity = 1.0; // ACTIVE / 100 modulated by a switch; 0 or below restarts the spring
  bool update = true;    // the frame moves the output (false between ACTIVE's keys when matching exposures)
  SpringGains gains;
};

// The spring's state one frame on from `previous` (not advanced when that is not valid), settled
// by the activity; its matrix is composed anew on an update frame and carried over otherwise.
SpringHistoryEntry nextSpringState(const SpringHistoryEntry& previous, const SpringTarget& target,
                                   const SpringSettings& s, const Math::Point3d& pivot);

// The state the spring starts from: its target, at rest.
SpringHistoryEntry startSpringState(const SpringTarget& target, const Math::Point3d& pivot);

// Hamilton's product a·b, on (w, x, y, z).
Math::Quat quatProduct(const Math::Quat& a, const Math::Quat& b);

// Splits m into translation, axis lengths, rotation and skews (degrees) by Gram-Schmidt from
// the x axis. A mirrored m comes out with a negative x scale; exact zeros on the diagonal are
// taken as 0.0001.
void decomposeSpringMatrix(const Math::Matrix4x4& m, Math::Vector3d& translation, Math::Vector3d& scale,
                           Math::Quat& rotation, Math::Vector3d& skew);

// T(pivot)⁻¹ · m · T(pivot): m as seen from the pivot, which the decomposition then splits.
Math::Matrix4x4 aboutPivot(const Math::Matrix4x4& m, const Math::Point3d& pivot);

// decomposeSpringMatrix(aboutPivot(m, pivot)), without the matrix between.
SpringTarget springTargetOf(const Math::Matrix4x4& m, const Math::Point3d& pivot);

// T(translation) · T(pivot) · R · skews · S · T(−pivot), kept as the entry's result.
Math::Matrix4x4 composeSpringMatrix(SpringHistoryEntry& entry, const Math::Point3d& pivot);

// Writes into `next` the channels and velocities one frame on from `previous`.
void advanceSpring(const SpringHistoryEntry& previous, const SpringTarget& target, const SpringGains& gains,
                   SpringHistoryEntry& next);

// An activity other than 1 puts the state that share of the way from the target and scales the
// carried velocities by its square root; then scale factors near zero become 0.001.
void settleSpring(const SpringTarget& target, double activity, SpringHistoryEntry& next);
