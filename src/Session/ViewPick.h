#pragma once
// A click at a view point, reported: the node whose pick id the pixel of the picking image
// holds and its handle, the node whose control drew that pixel (controls are drawn over the
// pegs, each over the ones before it in scene order, so the last whose control covers the pixel
// is the one seen there), and, for a node that chooses its main input from clicks (the
// control's node, or the one named), the input it chose. Points are view pixels (x right, y
// down); the frame is evaluated first. A point outside the view is a BadArgumentError, and so is
// a named node that does not choose its main input from clicks.
#include <QSize>

#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Point2d.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "SessionTypes.h"

class MO_Module;
class SC_SceneCommon;

class ViewPick {
public:
  ViewPick(SC_SceneCommon& scene, double frame, VU_SceneRenderer::View view, const QSize& size,
           const VU_SceneRenderer::PanZoom& panZoom = {});

  // With `select`, the node picked is selected as a click in the host's view selects it.
  PickResult click(const Math::Point2d& at, MO_Module* named, bool select, int modifiers);
  // The node whose control covers the point, or null; nothing is told of it.
  MO_Module* controlUnder(const Math::Point2d& at);
  // The node whose pick id lies under the point and its handle (null and -1: background).
  std::pair<MO_Module*, int> idUnder(const Math::Point2d& at);

  const Math::CameraTransformChain& chain() const { return m_chain; }

private:
  void checkInside(const Math::Point2d& at) const;

  SC_SceneCommon& m_scene;
  double m_frame;
  VU_SceneRenderer::View m_view;
  QSize m_size;
  VU_SceneRenderer::PanZoom m_panZoom;
  Math::CameraTransformChain m_chain;
};
