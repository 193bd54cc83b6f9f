#pragma once
// The host's mathematics as the plug-in sees it: matrices in column order (translation in
// values 12–14), points and vectors, quaternions, the camera chain and plane projection.
#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Matrix4x4.h"
#include "BaseCore/PlaneProjection.h"
#include "BaseCore/Point2d.h"
#include "BaseCore/Point3d.h"
#include "BaseCore/Quat.h"
#include "BaseCore/Rect2d.h"
#include "BaseCore/Vector3d.h"
