#pragma once
// One drag in a view, step by step as the pointer moves: a node's control through the drag
// manipulator its plug-in registered, or, for a peg, its pivot. While the drag lasts the edited
// values are shown through the host's surrogates and nothing in the scene is edited; release
// hands over one command that makes the last value shown the attribute's, named by the
// manipulator ("Change Switch Module") or "Move Peg"; a drag destroyed unreleased leaves
// everything as it was. Pointer positions are view pixels; a peg's pivot follows the pointer on
// the plane through it that faces the view (parallel to the drawing for the camera view), and
// positions that cannot reach that plane are skipped. Animation mode 1 sets values at the
// frame; any other moves every key of the scene's range by the same offset.
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point2d.h"
#include "BaseCore/Point3d.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "SceneCore/SLB_ManipContext.h"
#include "SessionTypes.h"

class AT_DoubleAttr;
class AT_ScalarSimpleAttrSurrogate;
class CO_Command;
class CO_OrCommand;
class MO_Module;
class SC_SceneCommon;
class SLB_SelectableDragManipulator;

class LiveDrag {
public:
  // Null when the node has no control to drag and, with `pivot`, no pivot to drag either (or
  // the pivot's plane is edge-on); a null node is allowed.
  static std::unique_ptr<LiveDrag> start(SC_SceneCommon& scene, MO_Module* node, double frame,
                                         VU_SceneRenderer::View view, const QSize& size, const Math::Point2d& at,
                                         int animationMode, bool pivot, const VU_SceneRenderer::PanZoom& panZoom = {});
  ~LiveDrag();
  LiveDrag(const LiveDrag&) = delete;
  LiveDrag& operator=(const LiveDrag&) = delete;

  DragHit::Kind kind() const { return m_manipulator ? DragHit::Control : DragHit::PegPivot; }
  MO_Module* node() const { return m_node; }
  double frame() const { return m_frame; }
  bool moved() const { return m_moved; }
  void move(const Math::Point2d& at);
  // The command to run (the caller owns it; never null) and its name. The drag is over.
  std::pair<CO_Command*, QString> release();

private:
  LiveDrag(SC_SceneCommon& scene, MO_Module* node, double frame, const Math::CameraTransformChain& chain,
           int animationMode);
  bool holdPivot(VU_SceneRenderer::View view, const Math::Point2d& at);
  bool pivotPlanePoint(const Math::Point2d& at, Math::Point3d& world) const;
  void detach();

  SC_SceneCommon& m_scene;
  MO_Module* m_node;
  double m_frame;
  Math::CameraTransformChain m_chain;
  std::unique_ptr<CO_OrCommand> m_macro;
  SLB_ManipContext m_context;
  std::unique_ptr<SLB_SelectableDragManipulator> m_manipulator;
  bool m_moved = false;
  // A peg's pivot: the plane it moves in (its z = 0 plane in the world), where the pointer took
  // hold of it and where the pivot was, the peg's parent inverted, its position parts and what
  // stands in for them.
  Math::Matrix4x4 m_plane;
  Math::Point3d m_grab, m_pivotWorld, m_pivotLocal;
  Math::Matrix4x4 m_parentInverse;
  AT_DoubleAttr* m_parts[3] = {nullptr, nullptr, nullptr};
  std::shared_ptr<AT_ScalarSimpleAttrSurrogate> m_surrogates[3];
};
