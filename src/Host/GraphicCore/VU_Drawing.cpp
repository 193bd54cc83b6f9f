#include "GraphicCore/VU_Drawing.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <optional>

#include "SceneCore/UT_OutputFile.h"

namespace {

constexpr int kCircleSegments = 64;
// Beyond this, coordinates are far off the image and only slow the rasteriser down.
constexpr double kFarAway = 1e6;

QColor toQColor(const VS_RGBA& c, bool picking) { return QColor(c.red, c.green, c.blue, picking ? 255 : c.alpha); }

// Model (drawing units) to view through one primitive's model matrix.
class ViewMapper {
public:
  ViewMapper(const Math::CameraTransformChain& viewChain, const Math::Matrix4x4& model) : m_chain(viewChain) {
    m_chain.setModelMatrix(model);
    m_ok = m_chain.compoundMatrix(Math::eSourceModelFrame, Math::eDestinationViewFrame, m_toView);
  }

  // The perspective division is done here rather than by Matrix4x4 so that points behind the
  // eye (w <= 0), which would come back mirrored, are refused.
  std::optional<QPointF> map(const Math::Point3d& p) const {
    if (!m_ok)
      return std::nullopt;
    const Math::Matrix4x4& m = m_toView;
    const double x = m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2) * p.z + m(0, 3);
    const double y = m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2) * p.z + m(1, 3);
    const double w = m(3, 0) * p.x + m(3, 1) * p.y + m(3, 2) * p.z + m(3, 3);
    if (!(w > 1e-12) || !std::isfinite(x) || !std::isfinite(y))
      return std::nullopt;
    const QPointF q(x / w, y / w);
    if (std::fabs(q.x()) > kFarAway || std::fabs(q.y()) > kFarAway)
      return std::nullopt;
    return q;
  }

  // A size given in `frame` near model point p, in view units (pixels).
  double toPixels(double size, int frame, const Math::Point3d& p) const {
    if (frame == Math::eDestinationViewFrame)
      return size;
    Math::Point3d a, a2, b, b2;
    if (!m_chain.transform(Math::eSourceModelFrame, p, frame, a))
      return size;
    b = a + Math::Vector3d(size, 0, 0);
    if (!m_chain.transform(frame, a, Math::eDestinationViewFrame, a2) ||
        !m_chain.transform(frame, b, Math::eDestinationViewFrame, b2))
      return size;
    return std::hypot(b2.x - a2.x, b2.y - a2.y);
  }

private:
  Math::CameraTransformChain m_chain;
  Math::Matrix4x4 m_toView;
  bool m_ok = false;
};

QPen makePen(const VS_RGBA& c, double width, bool picking, VU_Drawing::LineDash dash = VU_Drawing::eSolid) {
  if (c.alpha == 0)
    return Qt::NoPen;
  QPen pen(toQColor(c, picking));
  pen.setWidthF(width > 0 ? width : 0.0);
  pen.setJoinStyle(Qt::RoundJoin);
  // Patterns in pen widths; flat caps keep the gaps open on thick lines. Picking draws solid.
  if (picking || dash == VU_Drawing::eSolid) {
    pen.setCapStyle(Qt::RoundCap);
    return pen;
  }
  pen.setCapStyle(Qt::FlatCap);
  switch (dash) {
  case VU_Drawing::eDashed:
    pen.setDashPattern({5.0, 2.5});
    break;
  case VU_Drawing::eDotted:
    pen.setDashPattern({1.2, 2.0});
    break;
  default:
    pen.setDashPattern({5.0, 2.0, 1.2, 2.0});
    break;
  }
  return pen;
}

QBrush makeBrush(const VS_RGBA& c, bool picking) {
  return c.alpha == 0 ? QBrush(Qt::NoBrush) : QBrush(toQColor(c, picking));
}

void paintPoint(QPainter& painter, const ViewMapper& mapper, const VU_Drawing::Primitive& p, bool picking) {
  const auto c = mapper.map(p.points[0]);
  if (!c)
    return;
  const double r = 0.5 * mapper.toPixels(p.pointSize, p.pointSizeFrame, p.points[0]);
  painter.setPen(makePen(p.pointStroke, 1.0, picking));
  painter.setBrush(makeBrush(p.pointFill, picking));
  if (p.pointShape == VU_Drawing::eDiamond)
    painter.drawPolygon(QPolygonF({*c + QPointF(0, -r), *c + QPointF(r, 0), *c + QPointF(0, r), *c + QPointF(-r, 0)}));
  else
    painter.drawEllipse(*c, r, r);
}

void paintLine(QPainter& painter, const ViewMapper& mapper, const VU_Drawing::Primitive& p, double lineWidth,
               bool picking) {
  const auto a = mapper.map(p.points[0]);
  const auto b = mapper.map(p.points[1]);
  if (!a || !b)
    return;
  painter.setPen(makePen(p.lineStroke, lineWidth, picking, p.lineDash));
  painter.drawLine(*a, *b);
}

// One stroke through the points, so that a dash pattern runs on across them; a point the view
// cannot show breaks the stroke there.
void paintPolyline(QPainter& painter, const ViewMapper& mapper, const VU_Drawing::Primitive& p, double lineWidth,
                   bool picking) {
  painter.setPen(makePen(p.lineStroke, lineWidth, picking, p.lineDash));
  QPolygonF run;
  for (const Math::Point3d& point : p.path) {
    if (const auto q = mapper.map(point)) {
      run << *q;
      continue;
    }
    if (run.size() > 1)
      painter.drawPolyline(run);
    run.clear();
  }
  if (run.size() > 1)
    painter.drawPolyline(run);
}

// The circle lies in the model's plane, so a tilted or perspective view shows an ellipse.
void paintCircle(QPainter& painter, const ViewMapper& mapper, const VU_Drawing::Primitive& p, double lineWidth,
                 bool picking) {
  QPolygonF ring;
  for (int i = 0; i < kCircleSegments; ++i) {
    const double t = 2.0 * M_PI * i / kCircleSegments;
    const auto q = mapper.map(p.points[0] + Math::Vector3d(p.radius * std::cos(t), p.radius * std::sin(t), 0));
    if (!q)
      return;
    ring << *q;
  }
  painter.setPen(makePen(p.lineStroke, lineWidth, picking));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolygon(ring);
}

void paintQuad(QPainter& painter, const ViewMapper& mapper, const VU_Drawing::Primitive& p, double lineWidth,
               bool picking) {
  QPolygonF quad;
  for (const Math::Point3d& corner : p.points) {
    const auto q = mapper.map(corner);
    if (!q)
      return;
    quad << *q;
  }
  painter.setPen(makePen(p.lineStroke, lineWidth, picking));
  painter.setBrush(makeBrush(p.pointFill, picking));
  painter.drawPolygon(quad);
}

// Texts are drawn only in colour (never when picking) and only with a GUI application, which
// fonts need.
void paintText(QPainter& painter, const ViewMapper& mapper, const VU_Drawing::Primitive& p, bool picking) {
  const auto at = mapper.map(p.points[0]);
  if (picking || !at || p.textColor.alpha == 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    return;
  QFont font = painter.font();
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(p.textSize))));
  painter.setFont(font);
  // A box far larger than any label, placed so that the alignment falls on the anchor.
  constexpr double kBox = 4096.0;
  const QPointF a = *at + QPointF(p.textDx, p.textDy);
  const double left = p.textAlign & Qt::AlignRight     ? a.x() - kBox
                      : p.textAlign & Qt::AlignHCenter ? a.x() - kBox / 2
                                                       : a.x();
  const double top = p.textAlign & Qt::AlignBottom    ? a.y() - kBox
                     : p.textAlign & Qt::AlignVCenter ? a.y() - kBox / 2
                                                      : a.y();
  const QRectF box(left, top, kBox, kBox);
  const QRectF inked = painter.boundingRect(box, p.textAlign, p.text);
  if (p.textLeader) {
    painter.setPen(makePen(VS_RGBA(p.textColor.red, p.textColor.green, p.textColor.blue, 110), 1.0, false));
    painter.drawLine(*at, QPointF(inked.left() - 1.0, inked.center().y()));
  }
  if (p.textBackground.alpha) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(makeBrush(p.textBackground, false));
    painter.drawRoundedRect(inked.adjusted(-2.0, 0.0, 2.0, 0.0), 2.0, 2.0);
  }
  painter.setPen(toQColor(p.textColor, false));
  painter.drawText(box, p.textAlign, p.text);
}

void paintPrimitive(QPainter& painter, const Math::CameraTransformChain& chain, const VU_Drawing::Primitive& p,
                    bool picking) {
  const ViewMapper mapper(chain, p.model);
  const double lineWidth = mapper.toPixels(p.lineThickness, p.lineThicknessFrame, p.points[0]);
  switch (p.kind) {
  case VU_Drawing::ePoint:
    return paintPoint(painter, mapper, p, picking);
  case VU_Drawing::eLine:
    return paintLine(painter, mapper, p, lineWidth, picking);
  case VU_Drawing::ePolyline:
    return paintPolyline(painter, mapper, p, lineWidth, picking);
  case VU_Drawing::eCircle:
    return paintCircle(painter, mapper, p, lineWidth, picking);
  case VU_Drawing::eQuad:
    return paintQuad(painter, mapper, p, lineWidth, picking);
  case VU_Drawing::eText:
    return paintText(painter, mapper, p, picking);
  }
}

} // namespace

void VU_Drawing::paintFrame(QPainter& painter, const QSize& size, bool picking) const {
  if (picking || m_viewRect.isEmpty())
    return;
  QPainterPath bars;
  bars.addRect(QRectF(QPointF(0, 0), QSizeF(size)));
  bars.addRect(m_viewRect);
  painter.fillPath(bars, QColor(m_bars.red, m_bars.green, m_bars.blue, m_bars.alpha));
}

void VU_Drawing::paint(QPainter& painter, const Math::CameraTransformChain& chain, bool picking) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, !picking);
  if (picking)
    painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const Primitive& p : m_primitives)
    paintPrimitive(painter, chain, p, picking);
  if (!picking && !m_caption.isEmpty() && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // The corner of the view's rectangle, or of the image where a zoomed view reaches past it.
    const QRectF shown = m_viewRect & QRectF(painter.viewport());
    const QRectF view = shown.isEmpty() ? QRectF(painter.viewport()) : shown;
    QFont font = painter.font();
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    painter.setFont(font);
    const QRectF box = view.adjusted(8, 6, -8, -6);
    const QRectF inked = painter.boundingRect(box, Qt::AlignLeft | Qt::AlignTop, m_caption);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 210));
    painter.drawRoundedRect(inked.adjusted(-4, -2, 4, 2), 3, 3);
    painter.setPen(QColor(40, 44, 54));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, m_caption);
  }
  painter.restore();
}

QImage VU_Drawing::toImage(const Math::CameraTransformChain& chain, const QSize& size, const VS_RGBA& background,
                           bool picking) const {
  // Premultiplied: the raster engine's own format, which it paints without converting every
  // span (a PNG of it holds the same pixels).
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull())
    return image;
  image.fill(QColor(background.red, background.green, background.blue, background.alpha));
  QPainter painter(&image);
  paintFrame(painter, size, picking);
  paint(painter, chain, picking);
  painter.end();
  return image;
}

QByteArray VU_Drawing::toSvg(const Math::CameraTransformChain& chain, const QSize& size, const VS_RGBA& background,
                             bool picking) const {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setTitle(QStringLiteral("vantorel drawing"));
  QPainter painter(&generator);
  painter.fillRect(QRect(QPoint(0, 0), size),
                   QColor(background.red, background.green, background.blue, background.alpha));
  paintFrame(painter, size, picking);
  paint(painter, chain, picking);
  painter.end();
  return bytes;
}

bool VU_Drawing::save(const QString& path, const Math::CameraTransformChain& chain, const QSize& size,
                      const VS_RGBA& background, bool picking, QString* why) const {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
    if (why)
      *why = QStringLiteral("%1: the output must end in .png or .svg").arg(path);
    return false;
  }
  QByteArray bytes;
  if (suffix == QLatin1String("svg")) {
    bytes = toSvg(chain, size, background, picking);
  } else {
    const QImage image = toImage(chain, size, background, picking);
    QBuffer buffer(&bytes);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
      if (why)
        *why = QStringLiteral("%1: cannot make a %2x%3 image").arg(path).arg(size.width()).arg(size.height());
      return false;
    }
  }
  return UT_OutputFile::save(path, bytes, why);
}
