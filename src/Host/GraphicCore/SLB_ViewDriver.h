#pragma once
// Clicks and drags in a view the way the host's view does, for the command line and tests:
// a pick renders the picking image and decodes the pixel under the view point (view pixels,
// y down) to the node whose adaptor owns that id; a drag is a press on one of the node's
// handles, pointer motion and a release, each pointer position carried onto the world's z = 0
// drawing plane (drawing units), as a mouse in a view gives them: a press that picks no handle
// of the node's starts nothing, and a release where the press was sends no motion and leaves
// everything as it was. Points off the image pick nothing; positions that cannot reach the
// plane (an edge-on view) are skipped.
#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Point2d.h"
#include "BaseCore/Point3d.h"
#include "GraphicCore/VU_SceneRenderer.h"

class CO_OrCommand;
class MO_Module;
class SC_SceneCommon;
class SLB_ModuleDescriptor;
class SLB_ModulePickAdaptor;

class SLB_ViewDriver {
public:
  struct PickResult {
    MO_Module* node = nullptr; // null: background
    SLB_ModulePickAdaptor* adaptor = nullptr;
    int id = 0;
    int handle = -1;
    // What the adaptor's pick answered when asked to select (often empty).
    std::shared_ptr<SLB_ModuleDescriptor> descriptor;
  };

  // Drag steps from the press to the release; the last lands exactly on the release point.
  static constexpr int kDragSteps = 4;

  enum class DragOutcome {
    Dragged,       // pressed, moved, released: the macro holds the control's edit
    NoMotion,      // the release was where the press was: nothing was sent, nothing changed
    NoManipulator, // the node has no control to drag
    NotOnHandle    // the press picked none of the node's handles (`press` says what it picked)
  };

  SLB_ViewDriver(VU_SceneRenderer::View view, const QSize& size, const VU_SceneRenderer::PanZoom& panZoom = {})
      : m_view(view), m_size(size), m_panZoom(panZoom) {}

  // The node under the point. With `select`, the adaptor's pick is asked to select (modifiers
  // are Qt's keyboard bits; Shift extends the selection); when it answers nothing, the node's
  // handle is selected through its selInterface. Every node's main-port callback is told of
  // the click too, as the host's view does.
  PickResult pick(SC_SceneCommon& scene, double frame, const Math::Point2d& viewPoint, bool select = false,
                  int modifiers = 0);
  // What the picking image holds under the point, without telling any node of a click.
  PickResult under(SC_SceneCommon& scene, double frame, const Math::Point2d& viewPoint);

  // Runs the node's drag manipulator (from SLB_NodeDragManipulatorFactory) when `from` picks
  // one of the node's handles: startDrag, kDragSteps moves from `from` to `to`, endDrag. When
  // `to` is `from`, the drag is let go without motion or endDrag. `operationName` receives the
  // name the manipulator gave the operation; `press` what the press picked.
  DragOutcome drag(SC_SceneCommon& scene, MO_Module* node, double frame, const Math::Point2d& from,
                   const Math::Point2d& to, int animationMode, CO_OrCommand* macro, QString* operationName = nullptr,
                   PickResult* press = nullptr);

  // A view point carried onto the world's z = 0 plane through the chain; false when the plane is
  // edge-on or the point is on its horizon.
  static bool toDrawingPlane(const Math::CameraTransformChain& chain, const Math::Point2d& viewPoint,
                             Math::Point3d& planePoint);

private:
  QImage pickingImage(SC_SceneCommon& scene, double frame, Math::CameraTransformChain& chain) const;
  PickResult decode(SC_SceneCommon& scene, const QImage& image, const Math::Point2d& viewPoint) const;

  VU_SceneRenderer::View m_view;
  QSize m_size;
  VU_SceneRenderer::PanZoom m_panZoom;
};
