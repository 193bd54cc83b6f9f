#pragma once
// The scene camera as the constraint nodes that project through it ask for it: its matrices at a
// frame, looked up without recursing into a camera that hangs below the asking node, and its stamp
// as an input of their results.
#include <cstdint>
#include <optional>

#include "Core/TransformFunctions.h"
#include "HostInterface/HostScene.h"

class Constraint_TemplateModule;

// What stands for the view matrix when the camera's transformation cannot be inverted.
enum class SingularCamera { Identity, CameraItself };

// The camera's view matrix (its transformation inverted) and perspective at the frame. Nothing
// without a scene, or while `evaluating` is set: the camera is then being evaluated for this very
// node (a camera below the node computes it again), and that nested computation must not ask again.
std::optional<CameraMatrices> lookUpSceneCamera(const Constraint_TemplateModule& node, const MO_BaseContext& ctx,
                                                bool& evaluating, SingularCamera singular = SingularCamera::Identity);

// The larger of the inputs' stamp and the scene camera's while `throughCamera`: a result projected
// through the camera depends on it. A camera that is the node itself or hangs below it is no
// input, since its stamp would ask for the node's own again, for ever.
std::int64_t withCameraStamp(std::int64_t inputs, const MO_Module& node, bool throughCamera,
                             const MO_Node::CacheCheck& check);
