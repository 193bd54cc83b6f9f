#pragma once
// Matrix and camera functions shared by the constraint nodes: the guard that keeps matrices
// invertible, the activity blend of two transformations, a handedness test, signed angle
// differences (degrees) and projections between the camera's view and a drawing plane.
// Matrices are in drawing units; angles in degrees unless a flag says radians.
#include "HostInterface/HostMath.h"

// Keeps the x and y scale (values 0 and 5) away from zero and infinity so that the matrix
// stays invertible: |v| <= 0.0001 becomes ±0.0001 (an exact 0 becomes −0.0001), ±inf ±2.
// NaN passes through.
void sanitizeScale(Math::Matrix4x4& m);
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

// The turn from `from` to `to` in degrees, in (−180, 180]; positive counter-clockwise.
double signedAngleDifference(double from, double to, bool radians);
double blendAngle(double from, double to, double t, bool radians);

// Carries p (scene space) along the camera ray onto the model's z = 0 plane; the result is in
// the model's own coordinates with z = 0, or the origin with *ok false when it cannot.
Math::Point3d projectToDrawingPlane(const Math::Point3d& p, const Math::Matrix4x4& view,
                                    const Math::Matrix4x4& projection, const Math::Matrix4x4& model, bool* ok);
// Carries a model point to normalised device coordinates through the same camera.
Math::Point3d projectToView(const Math::Point3d& p, const Math::Matrix4x4& view, const Math::Matrix4x4& projection,
                            const Math::Matrix4x4& model, bool* ok);
// A scene point in the chain's view frame (the origin when the chain cannot carry it).
Math::Point3d transformToViewFrame(const Math::Point3d& p, const Math::CameraTransformChain& chain);
