#pragma once
// The painter nodes draw their controls with: records points, lines, circles and quads given in
// drawing units, each with the binder's model matrix at the moment of the call and the colours
// and sizes set so far (sizes in a camera-chain reference frame; frame 1 = view pixels). It
// records into the binder's canvas, or into a drawing of its own without a binder or canvas.
#include <vector>

#include "BaseCore/Point3d.h"
#include "GraphicCore/VS_RGBA.h"
#include "GraphicCore/VU_Drawing.h"

class CC_CameraChainTransformCanvasBinder;

class VU_Painter {
public:
  static const VS_RGBA redColor;

  explicit VU_Painter(CC_CameraChainTransformCanvasBinder* binder);

  void setLineStrokeColor(const VS_RGBA& c) { m_state.lineStroke = c; }
  void setLineThickness(double w, int referenceFrame = 1) {
    m_state.lineThickness = w;
    m_state.lineThicknessFrame = referenceFrame;
  }
  void setLineDash(VU_Drawing::LineDash dash) { m_state.lineDash = dash; }
  void setPointFillColor(const VS_RGBA& c) { m_state.pointFill = c; }
  void setPointStrokeColor(const VS_RGBA& c) { m_state.pointStroke = c; }
  void setPointSize(double s, int referenceFrame = 1) {
    m_state.pointSize = s;
    m_state.pointSizeFrame = referenceFrame;
  }

  void setPointShape(VU_Drawing::PointShape shape) { m_state.pointShape = shape; }

  void setTextColor(const VS_RGBA& c) { m_state.textColor = c; }
  // Text height in pixels.
  void setTextSize(double pixels) { m_state.textSize = pixels; }
  // A box behind texts; fully transparent (the default) for none.
  void setTextBackground(const VS_RGBA& c) { m_state.textBackground = c; }

  void drawPoint(const Math::Point3d& p);
  void drawLine(const Math::Point3d& a, const Math::Point3d& b);
  // Lines through the points in turn, as one stroke (a dash pattern runs on across corners).
  void drawPolyline(const std::vector<Math::Point3d>& points);
  // A circle about `centre` in the model's z = 0 plane through it; radius in drawing units.
  void drawCircle(const Math::Point3d& centre, double radius);
  void drawQuad(const Math::Point3d& a, const Math::Point3d& b, const Math::Point3d& c, const Math::Point3d& d);
  // `text` placed by `align` (Qt::Alignment flags) about p moved by (dx, dy) pixels; with
  // `leader`, a thin line joins p to it.
  void drawText(const Math::Point3d& p, const QString& text, int align, double dx = 0.0, double dy = 0.0,
                bool leader = false);

  // Where the shapes go: the binder's canvas, or this painter's own drawing.
  VU_Drawing* drawing();

private:
  void record(VU_Drawing::Primitive p);

  CC_CameraChainTransformCanvasBinder* m_binder;
  VU_Drawing::Primitive m_state;
  VU_Drawing m_own;
};
