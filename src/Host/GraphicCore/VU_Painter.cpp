#include "GraphicCore/VU_Painter.h"

#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"

const VS_RGBA VU_Painter::redColor(255, 0, 0, 255);

VU_Painter::VU_Painter(CC_CameraChainTransformCanvasBinder* binder) : m_binder(binder) {}

VU_Drawing* VU_Painter::drawing() { return m_binder && m_binder->canvas() ? m_binder->canvas() : &m_own; }

void VU_Painter::record(VU_Drawing::Primitive p) {
  p.model = m_binder ? m_binder->modelMatrix() : Math::Matrix4x4();
  drawing()->add(p);
}

void VU_Painter::drawPoint(const Math::Point3d& p) {
  VU_Drawing::Primitive prim = m_state;
  prim.kind = VU_Drawing::ePoint;
  prim.points[0] = p;
  record(prim);
}

void VU_Painter::drawLine(const Math::Point3d& a, const Math::Point3d& b) {
  VU_Drawing::Primitive prim = m_state;
  prim.kind = VU_Drawing::eLine;
  prim.points[0] = a;
  prim.points[1] = b;
  record(prim);
}

void VU_Painter::drawPolyline(const std::vector<Math::Point3d>& points) {
  VU_Drawing::Primitive prim = m_state;
  prim.kind = VU_Drawing::ePolyline;
  prim.points[0] = points.empty() ? Math::Point3d() : points.front();
  prim.path = points;
  record(prim);
}

void VU_Painter::drawCircle(const Math::Point3d& centre, double radius) {
  VU_Drawing::Primitive prim = m_state;
  prim.kind = VU_Drawing::eCircle;
  prim.points[0] = centre;
  prim.radius = radius;
  record(prim);
}

void VU_Painter::drawQuad(const Math::Point3d& a, const Math::Point3d& b, const Math::Point3d& c,
                          const Math::Point3d& d) {
  VU_Drawing::Primitive prim = m_state;
  prim.kind = VU_Drawing::eQuad;
  prim.points[0] = a;
  prim.points[1] = b;
  prim.points[2] = c;
  prim.points[3] = d;
  record(prim);
}

void VU_Painter::drawText(const Math::Point3d& p, const QString& text, int align, double dx, double dy, bool leader) {
  VU_Drawing::Primitive prim = m_state;
  prim.kind = VU_Drawing::eText;
  prim.points[0] = p;
  prim.text = text;
  prim.textAlign = align;
  prim.textDx = dx;
  prim.textDy = dy;
  prim.textLeader = leader;
  record(prim);
}
