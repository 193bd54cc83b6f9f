#pragma once
// A recorded list of shapes (points, lines, circles, quads, texts) in drawing units, each with the
// model matrix, colours and sizes in force when it was drawn, rendered later through a camera
// chain (model → view) onto a QPainter, a PNG or an SVG. Sizes given in reference frame 1 are
// pixels. A shape that a chain cannot carry to the view (behind the eye, singular) is left out.
// Texts are for people: picking images leave them out, and so does a process without a
// QGuiApplication (no fonts). A drawing may say which rectangle of the image the view covers
// (the rest is painted as letterbox bars) and carry a caption for the view's top left corner.
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point3d.h"
#include "GraphicCore/VS_RGBA.h"

class QPainter;

class VU_Drawing {
public:
  enum Kind { ePoint, eLine, eCircle, eQuad, eText, ePolyline };
  // A point is a disc, or a diamond as wide as the disc would be.
  enum PointShape { eRound, eDiamond };
  // Lines solid, or broken in one of a few patterns that stay apart at any width.
  enum LineDash { eSolid, eDashed, eDotted, eDashDotted };
  struct Primitive {
    Kind kind = ePoint;
    Math::Point3d points[4];         // a point: [0]; a line: [0], [1]; a circle: its centre; a quad: all four
    std::vector<Math::Point3d> path; // a polyline's points, its dashes running on from one to the next
    double radius = 0.0;             // circles, drawing units, in the model's z = 0 plane
    Math::Matrix4x4 model;
    VS_RGBA lineStroke, pointStroke, pointFill;
    double lineThickness = 1.0;
    int lineThicknessFrame = 1;
    LineDash lineDash = eSolid;
    double pointSize = 1.0;
    int pointSizeFrame = 1;
    PointShape pointShape = eRound;
    // A text: placed by `textAlign` (Qt::Alignment flags) about points[0] moved by (textDx,
    // textDy) pixels, `textSize` pixels high, over a box of `textBackground` (none when fully
    // transparent); with `textLeader`, a thin line joins points[0] to the text.
    QString text;
    VS_RGBA textColor;
    VS_RGBA textBackground{0, 0, 0, 0};
    double textSize = 12.0;
    int textAlign = 0;
    double textDx = 0.0, textDy = 0.0;
    bool textLeader = false;
  };

  void add(const Primitive& p) { m_primitives.push_back(p); }
  const std::vector<Primitive>& primitives() const { return m_primitives; }
  void clear() { m_primitives.clear(); }

  // The part of the image the view covers, in pixels; outside it the background is `bars`. An
  // empty rectangle (the default) covers the whole image.
  void setViewRect(const QRectF& rect, const VS_RGBA& bars) {
    m_viewRect = rect;
    m_bars = bars;
  }
  const QRectF& viewRect() const { return m_viewRect; }
  // Written in the view's top left corner (not in picking images).
  void setCaption(const QString& caption) { m_caption = caption; }
  const QString& caption() const { return m_caption; }

  // Picking draws without antialiasing or blending, and leaves out fully transparent parts, so
  // that every pixel holds exactly a colour some shape asked for, or the background.
  void paint(QPainter& painter, const Math::CameraTransformChain& chain, bool picking) const;
  QImage toImage(const Math::CameraTransformChain& chain, const QSize& size, const VS_RGBA& background,
                 bool picking) const;
  QByteArray toSvg(const Math::CameraTransformChain& chain, const QSize& size, const VS_RGBA& background,
                   bool picking = false) const;
  // PNG or SVG by the path's extension (.png, .svg, any case), written whole or not at all;
  // false with a reason for another extension or when the file cannot be written.
  bool save(const QString& path, const Math::CameraTransformChain& chain, const QSize& size, const VS_RGBA& background,
            bool picking, QString* why) const;

private:
  void paintFrame(QPainter& painter, const QSize& size, bool picking) const;

  std::vector<Primitive> m_primitives;
  QRectF m_viewRect;
  VS_RGBA m_bars;
  QString m_caption;
};
