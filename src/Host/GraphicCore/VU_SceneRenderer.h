#pragma once
// Draws a scene at a frame as a view sees it: the hierarchy as the links make it (every peg's
// pivot as a disc, every other node with a transformation output, the camera aside, as a
// diamond at its pivot, and a bone from each of a node's inputs to its pivot), then every
// node's own control. A node's pivot is the one the host's pivot visitor reports, carried by
// the node's output (the origin without one). Positions are in drawing units; the image is
// `size` pixels, y down. The camera view looks through the scene's camera with the scene's
// aspect ratio, letterboxed inside an image of another shape (a straight-on orthographic view
// framing the pivots when the scene has none); the top view looks down −y (x right, −z up) and
// the side view along +x (z right, y up), both orthographic and framing every pivot (a
// unit-sized frame when there is at most one). An overlay adds each node's pivot path over the
// frames around (an onion skin: magenta before, teal after, fading with distance), node names
// beside their pivots and a caption naming the frame and the view.
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "BaseCore/CameraTransformChain.h"
#include "GraphicCore/VS_RGBA.h"
#include "GraphicCore/VU_Drawing.h"

class MO_Module;
class VU_Painter;
class SC_SceneCommon;

class VU_SceneRenderer {
public:
  enum View { eCameraView, eTopView, eSideView };

  static const VS_RGBA kBackground;
  // The background of a picking image: white, id 0.
  static const VS_RGBA kPickBackground;
  // The onion skin's frames before (magenta) and after (teal): hues far from those the nodes'
  // controls draw in (red, green, blue) and from the pivots' orange and selection blue.
  static const VS_RGBA kOnionBefore;
  static const VS_RGBA kOnionAfter;

  struct Overlay {
    int onion = 0;                      // frames before and after drawn as the pivot's path
    std::vector<MO_Module*> onionNodes; // empty: every node with a transformation output but the camera
    bool labels = false;                // node names beside their pivots
    bool caption = false;               // the frame and the view in the top left corner
    // Frames whose pivots the top and side views also frame, so that every image of a sequence
    // is framed alike.
    std::vector<double> framingFrames;
  };

  // A view moved and magnified as a viewer pans and zooms it: every pixel of the view as framed
  // is scaled by `zoom` about the image's centre, then shifted by (panX, panY) pixels.
  struct PanZoom {
    double zoom = 1.0;
    double panX = 0.0, panY = 0.0;
    bool operator==(const PanZoom& o) const { return zoom == o.zoom && panX == o.panX && panY == o.panY; }
    bool operator!=(const PanZoom& o) const { return !(*this == o); }
  };

  explicit VU_SceneRenderer(SC_SceneCommon& scene) : m_scene(scene) {}
  VU_SceneRenderer(SC_SceneCommon& scene, const PanZoom& panZoom) : m_scene(scene), m_panZoom(panZoom) {}

  void setOverlay(const Overlay& overlay);

  // "camera", "top" or "side"; false for anything else.
  static bool parseView(const QString& text, View& view);
  // 960 pixels wide, as high as the scene's design aspect ratio makes it (540 for 16:9).
  static QSize defaultSize(const SC_SceneCommon& scene);

  // The part of an image of `size` the view covers: the camera's frame, letterboxed, in the
  // camera view of a scene with a camera; the whole image otherwise.
  QRectF viewRect(View view, const QSize& size) const;
  // "frame 24 · camera view (Camera)", "frame 24 · top view".
  QString caption(double frame, View view) const;

  // The view's chain with an identity model matrix: drawing units of the world to pixels,
  // panned and zoomed. Evaluates the scene at the frame (the scene's current frame becomes it).
  Math::CameraTransformChain viewChain(double frame, View view, const QSize& size);
  // The chain moved as `panZoom` moves the view of an image of `size`.
  static void applyPanZoom(Math::CameraTransformChain& chain, const QSize& size, const PanZoom& panZoom);
  // How many pivots of the drawn hierarchy the view shows at the frame: in front of the eye and
  // inside the view's rectangle.
  int pivotsInView(double frame, View view, const QSize& size);
  // Records the view at the frame in render mode 0 (normal) or 2 (picking: pegs in their pick
  // colours, nodes' controls in theirs, nothing else); `chain` receives the view's chain.
  VU_Drawing draw(double frame, View view, const QSize& size, int renderMode, Math::CameraTransformChain* chain);
  QImage renderImage(double frame, View view, const QSize& size, int renderMode);
  // A PNG or SVG by extension, written whole or not at all; false with a reason.
  bool save(const QString& path, double frame, View view, const QSize& size, int renderMode, QString* why);

private:
  // viewRect moved by the pan and zoom: where the drawing is not letterboxed (it may reach past
  // the image when zoomed in).
  QRectF shownRect(View view, const QSize& size) const;
  // The view as framed, before any pan and zoom.
  Math::CameraTransformChain framedChain(double frame, View view, const QSize& size);
  void drawOnion(VU_Painter& painter, double frame);
  void drawLabels(VU_Painter& painter, const Math::CameraTransformChain& chain, double frame);
  // The nodes whose paths an onion skin draws and whose names labels write.
  std::vector<MO_Module*> overlayNodes(bool onion) const;
  // Where the top and side views look: the pivots at the frame, and those the overlay frames.
  std::vector<Math::Point3d> framedPoints(double frame);

  SC_SceneCommon& m_scene;
  PanZoom m_panZoom;
  Overlay m_overlay;
  std::vector<Math::Point3d> m_framingPoints; // of m_overlay.framingFrames, found once
};
