#pragma once
// Draws a scene at a frame as a view sees it: every peg's pivot as a point and a bone to the
// pivot of the nearest peg up its main inputs, then every node's own control. Positions are in
// drawing units; the image is `size` pixels, y down. The camera view looks through the scene's
// camera (a straight-on orthographic view framing the pegs when the scene has none); the top
// view looks down −y (x right, −z up) and the side view along +x (z right, y up), both
// orthographic and framing every pivot (a unit-sized frame when there is at most one).
// An overlay adds each node's pivot path over the frames around (an onion skin: blue before,
// green after, fading with distance) and node names beside their pivots; a node's pivot is the
// one the host's pivot visitor reports, carried by the node's output (the origin without one).
#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

#include "BaseCore/CameraTransformChain.h"
#include "GraphicCore/VS_RGBA.h"
#include "GraphicCore/VU_Drawing.h"

class MO_Module;
class SC_SceneCommon;

class VU_SceneRenderer {
public:
  enum View { eCameraView, eTopView, eSideView };

  static const VS_RGBA kBackground;
  // The background of a picking image: white, id 0.
  static const VS_RGBA kPickBackground;

  struct Overlay {
    int onion = 0;                      // frames before and after drawn as the pivot's path
    std::vector<MO_Module*> onionNodes; // empty: every node with a transformation output but the camera
    bool labels = false;                // node names beside their pivots
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

  // The view's chain with an identity model matrix: drawing units of the world to pixels,
  // panned and zoomed. Evaluates the scene at the frame (the scene's current frame becomes it).
  Math::CameraTransformChain viewChain(double frame, View view, const QSize& size);
  // The chain moved as `panZoom` moves the view of an image of `size`.
  static void applyPanZoom(Math::CameraTransformChain& chain, const QSize& size, const PanZoom& panZoom);
  // Records the view at the frame in render mode 0 (normal) or 2 (picking: pegs in their pick
  // colours, nodes' controls in theirs, nothing else); `chain` receives the view's chain.
  VU_Drawing draw(double frame, View view, const QSize& size, int renderMode, Math::CameraTransformChain* chain);
  QImage renderImage(double frame, View view, const QSize& size, int renderMode);
  // A PNG or SVG by extension, written whole or not at all; false with a reason.
  bool save(const QString& path, double frame, View view, const QSize& size, int renderMode, QString* why);

private:
  // The view as framed, before any pan and zoom.
  Math::CameraTransformChain framedChain(double frame, View view, const QSize& size);
  // The nodes whose paths an onion skin draws and whose names labels write.
  std::vector<MO_Module*> overlayNodes(bool onion) const;
  // Where the top and side views look: the pivots at the frame, and those the overlay frames.
  std::vector<Math::Point3d> framedPoints(double frame);

  SC_SceneCommon& m_scene;
  PanZoom m_panZoom;
  Overlay m_overlay;
  std::vector<Math::Point3d> m_framingPoints; // of m_overlay.framingFrames, found once
};
