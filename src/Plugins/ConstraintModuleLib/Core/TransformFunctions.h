#pragma once
// Matrix and camera functions shared by the constraint nodes: the guard that keeps matrices
// invertible, the activity blend of two transformations, a handedness test, signed angle
// differences, the map of one triangle onto another and projections between the camera's view
// and a drawing plane. Matrices are in drawing units. The angle functions take degrees, or
// radians when their flag says so, and always answer in degrees.
#include <array>
#include <optional>

#include "Core/MatrixValues.h"
#include "HostInterface/HostMath.h"

// Keeps the x and y scale (values 0 and 5) away from zero and infinity so that the matrix
// stays invertible: |v| <= 0.0001 becomes ±0.0001 (an exact 0 becomes −0.0001), ±inf ±2.
// NaN passes through.
void sanitizeScale(Math::Matrix4x4& m);
void sanitizeScale(MatrixValues& m);
Math::Matrix4x4 sanitizedCopy(const Math::Matrix4x4& m);

// The source at t = 0 and the target at t = 1, blended through their decompositions
// (translation, scale, rotation about z, skew). The offset fades out as t grows; the pivot is
// where rotation and scale act. With `translation` off the translation stays at the offset;
// with `rotation` off the target's angle is used throughout.
Math::Matrix4x4 blendTransforms(const Math::Matrix4x4& target, const Math::Matrix4x4& source, double t,
                                const Math::Point3d& pivot, const Math::Vector3d& offset, bool translation,
                                bool rotation);

// Whether the matrix flips handedness, judged in single precision from its normalised axes.
bool isMirrored(const Math::Matrix4x4& m);

// isMirrored(m)'s answer (1 or 0) where it cannot be in doubt, else -1; `values` are m's. It asks
// whether the x and y axes, seen from above, turn clockwise, and which way the z axis points,
// after rounding each axis to single precision: with every axis's values 0, or above 1e-30 and
// within 20 decades of its largest (itself between 1e-15 and 1e15), every value and quotient
// stays a normal float, the rounding moves directions by less than 1e-6 rad, and an angle
// between the axes more than 1e-5 rad from 0 or a half turn keeps its side.
int mirroredAtOnce(const double* values);
// isMirrored of the matrix with these values, taking mirroredAtOnce's answer where it has one
// (the matrix is made only where it has none).
bool isMirroredQuickly(const double* values);

// The turn from `from` to `to` in degrees, in (−180, 180]; positive counter-clockwise. The
// two angles are radians when `radians` is set, degrees otherwise; the answer is degrees either way.
double signedAngleDifference(double from, double to, bool radians);
// `from` turned by t times that difference, in degrees (inputs as for signedAngleDifference).
double blendAngle(double from, double to, double t, bool radians);
// blendAngle(0, to, t, false), the same bits: the turn from 0 read from `to`'s own direction.
double blendAngleFromZero(double to, double t);

// The affine map carrying the rest triangle r0 r1 r2 (its normal +z) onto c0 c1 c2 with normal n:
// the frame (c0→c1, c0→c2, n) at c0 times the inverse of (r0→r1, r0→r2, z) at r0. The x and y
// terms of both frames are kept away from zero first, so that a flat triangle still gives a map;
// the identity when the rest frame cannot be inverted all the same.
Math::Matrix4x4 triangleMap(const std::array<Math::Point3d, 3>& rest, const std::array<Math::Point3d, 3>& current,
                            const Math::Vector3d& normal);
// The inverse of that rest frame (its x and y terms kept from zero first), nothing when it cannot
// be inverted: it changes only with the rest triangle, so a node may keep it.
std::optional<MatrixValues> triangleRestInverse(const std::array<Math::Point3d, 3>& rest);
// triangleMap with the rest frame's inverse already worked out (r0 the rest triangle's first corner).
Math::Matrix4x4 triangleMap(const MatrixValues& restInverse, const Math::Point3d& r0,
                            const std::array<Math::Point3d, 3>& current, const Math::Vector3d& normal);

// The scene camera as the nodes project through it: its view matrix (the camera's
// transformation inverted) and its perspective.
struct CameraMatrices {
  Math::Matrix4x4 view;
  Math::Matrix4x4 projection;
};

// Carries p (scene space) along the camera ray onto the model's z = 0 plane; the result is in
// the model's own coordinates with z = 0, or the origin with *ok false when it cannot.
Math::Point3d projectToDrawingPlane(const Math::Point3d& p, const Math::Matrix4x4& view,
                                    const Math::Matrix4x4& projection, const Math::Matrix4x4& model, bool* ok);
// Carries a model point to normalised device coordinates through the same camera.
Math::Point3d projectToView(const Math::Point3d& p, const Math::Matrix4x4& view, const Math::Matrix4x4& projection,
                            const Math::Matrix4x4& model, bool* ok);
// A scene point in the chain's view frame (the origin when the chain cannot carry it).
Math::Point3d transformToViewFrame(const Math::Point3d& p, const Math::CameraTransformChain& chain);
