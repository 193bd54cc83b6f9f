#include "TransformControls/Switch.h"

#include "Core/NodeColors.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "ACTIVE", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kGatenum("GATENUM", "TARGET GATE");
const AT_AttrMeta kUioffsetpos("UIOFFSETPOS", "GUI OFFSET");
const AT_DoubleAttrMeta kUiscale("UISCALE", "GUI SCALE", "DBL_STEP_CONSTRAINT_RATIOFLOAT");

} // namespace

const QString& Switch::typeName() {
  static const QString name = QStringLiteral("Switch");
  return name;
}

Switch::Switch()
    : Constraint_Module(5), m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_gatenum(new AT_IntAttr(this, kGatenum, true, 0, 0, 2147483647, 1)),
      m_uioffsetpos(new AT_Position2dAttr(this, kUioffsetpos, false, 0, 0)),
      m_uiscale(new AT_DoubleAttr(this, kUiscale, 0, 1)) {
  addInMatrixPort();
  addOutImagePort();
  registerAttr(m_active);
  registerAttr(m_gatenum);
  registerAttr(m_uioffsetpos);
  registerAttr(m_uiscale);
}

Switch::~Switch() = default;

double Switch::switchActiveValue(const MO_BaseContext& ctx, bool& found) {
  found = true;
  return m_active->value(ctx.frame());
}

int Switch::switchTargetGate(const MO_BaseContext& ctx, bool& found) {
  found = true;
  return m_gatenum->value(ctx.frame());
}

bool Switch::nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) {
  return setSwitchPortColors(isOutput, light, dark) || Constraint_Module::nvPortColors(port, isOutput, light, dark);
}

void Switch::oglRenderControl(const MO_OGLContext& ctx) {
  if (ctx.isALineView(Math::Point3d(0, 0, 0)))
    return;
  const double frame = ctx.frameKey().frame();
  const double s = m_uiscale->value(frame);
  const Math::Point2d offset = m_uioffsetpos->value(frame);
  const double active = m_active->value(frame);
  const auto [loEnd, hiEnd] = sliderEnds(s);
  const double lo = loEnd;
  const double hi = hiEnd;
  const SC_SceneMetrics metrics = sceneMetrics() ? *sceneMetrics() : SC_SceneMetrics();
  const auto place = [&](double x, double y) { return metrics.toOGL(Math::Point3d(x + offset.x, y + offset.y, 0)); };
  const Math::Point3d knob = place(-14, lo + active / 100.0 * (hi - lo));

  VU_Painter painter(ctx.oglMatrixManager());
  const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
  VS_RGBA color = VU_Painter::redColor;
  if (picking) {
    const SLB_ModulePickAdaptor* adaptor = SLB_NodePickAdaptorFactory::pickAdaptorFor(this);
    color = VS_RGBA(SLB_PickEngine::idToColor(adaptor ? adaptor->handleId(0) : 0));
  }
  painter.setPointStrokeColor(color);
  painter.setPointFillColor(color);
  painter.setLineStrokeColor(color);

  const double h = s / 2.0;
  if (!picking) {
    painter.setPointSize(3, 1);
    painter.drawLine(place(-14 - h, lo), place(h - 14, lo));
    painter.drawLine(place(-14 - h, hi), place(h - 14, hi));
    painter.drawLine(place(-14, lo), place(-14, hi));
  }
  painter.setPointSize(7, 1);
  painter.drawLine(Math::Point3d(knob.x - h, knob.y, knob.z), Math::Point3d(knob.x + h, knob.y, knob.z));
  painter.drawCircle(knob, 0.2 * s);
  painter.drawPoint(knob);
  if (!picking) {
    // The value beside the knob, so that a picture says where the slider stands.
    painter.setTextColor(color);
    painter.setTextSize(12);
    painter.drawText(Math::Point3d(knob.x + h, knob.y, knob.z),
                     QStringLiteral("%1 %").arg(QString::number(active, 'g', 3)), Qt::AlignLeft | Qt::AlignVCenter, 6.0,
                     0.0);
  }
}
