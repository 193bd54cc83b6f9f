#include "TransformControls/TransformLimitModule.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Core/ConstraintPipeline.h"
#include "Core/NodeColors.h"
#include "Core/PortDeclarations.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"
#include "TransformControls/TransformLimitDragSurrogate.h"
#include "TransformControls/TransformLimitMath.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE", 0.0, 100.0);
const AT_AttrMeta kSwitchtype("SWITCHTYPE", "Switch Effects");
const AT_DoubleAttrMeta kTx("TX", "Translate X", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kTy("TY", "Translate Y", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kTz("TZ", "Translate Z", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kRot("ROT", "Rotate", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kSkew("SKEW", "Skew", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kSx("SX", "Scale X", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_DoubleAttrMeta kSy("SY", "Scale Y", "DBL_STEP_CONSTRAINT_RATIO", 0.0, 100.0);
const AT_AttrMeta kAllowflip("ALLOWFLIP", "Allow Flipping");
const AT_AttrMeta kUniformscale("UNIFORMSCALE", "Uniform Scale");
const AT_DoubleAttrMeta kPignore("PIGNORE", "Ignore Parents", "DBL_PIGNORE");
const AT_AttrMeta kParentname("PARENTNAME", "Parent's Name", true);
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kSkewtype("SKEWTYPE", "Skew Type");
const AT_AttrMeta kFlipaxis("FLIPAXIS", "Flip Axis");
const AT_AttrMeta kPos("POS", "Control Position");

// Input ports by index.
const MO_SimplePortMetaData kPorts[] = {
    {"Limited Transform", "Limited Transform"},
    {"Forced-Transform", "Forced-Transform"},
    {"Switch", "Switch"},
};
constexpr int kSwitchPort = 2;

// Half the length of the orientation crosses and the circle's radius, in drawing units.
constexpr double kCrossHalf = 0.05;
constexpr double kCircleRadius = 0.025;

// Ignore Parents as a count of levels: truncated toward zero, held to the int range.
int levelCount(double value) {
  if (!(std::fabs(value) < 2147483648.0))
    return value > 0.0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

bool isFinite(const Math::Matrix4x4& m) {
  return std::all_of(m.values(), m.values() + 16, [](double v) { return std::isfinite(v); });
}

// The transformation leaving output `index` of any node, as a constraint node reads its own.
Math::Matrix4x4 outputMatrix(const MO_BaseContext& ctx, MO_Module* node, int index) {
  return Constraint_TemplateModule(0, 2, node).portMatrix(ctx, index, false);
}

} // namespace

const QString& TransformLimitModule::typeName() {
  static const QString name = QStringLiteral("TransformLimit");
  return name;
}

TransformLimitModule::TransformLimitModule()
    : Constraint_Module(2), m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_switchtype(new TransformLimit::SwitchType(this, kSwitchtype)), m_tx(new AT_DoubleAttr(this, kTx, 1, 100)),
      m_ty(new AT_DoubleAttr(this, kTy, 1, 100)), m_tz(new AT_DoubleAttr(this, kTz, 1, 100)),
      m_rot(new AT_DoubleAttr(this, kRot, 1, 100)), m_skew(new AT_DoubleAttr(this, kSkew, 1, 100)),
      m_sx(new AT_DoubleAttr(this, kSx, 1, 100)), m_sy(new AT_DoubleAttr(this, kSy, 1, 100)),
      m_allowflip(new AT_BoolAttr(this, kAllowflip, true)), m_uniformscale(new AT_BoolAttr(this, kUniformscale, false)),
      m_pignore(new AT_DoubleAttr(this, kPignore, 1, 0)),
      m_parentname(new AT_StringAttr(this, kParentname, QString(), false, false)),
      m_flattentype(new TransformLimit::FlattenType(this, kFlattentype)),
      m_skewtype(new TransformLimit::SkewType(this, kSkewtype)),
      m_flipaxis(new TransformLimit::FlipAxisType(this, kFlipaxis)),
      m_pos(new AT_Position2dAttr(this, kPos, true, 0, 0)) {
  m_pos->separateAttr()->setLocalValue(true);
  addInMatrixPort();
  addInMatrixPort();
  addInMatrixPort();
  addOutMatrixPort();
  registerAttr(m_active);
  registerAttr(m_switchtype);
  registerAttr(m_tx);
  registerAttr(m_ty);
  registerAttr(m_tz);
  registerAttr(m_rot);
  registerAttr(m_skew);
  registerAttr(m_sx);
  registerAttr(m_sy);
  registerAttr(m_allowflip);
  registerAttr(m_uniformscale);
  registerAttr(m_pignore);
  registerAttr(m_parentname);
  registerAttr(m_flattentype);
  registerAttr(m_skewtype);
  registerAttr(m_flipaxis);
  registerAttr(m_pos);
}

TransformLimitModule::~TransformLimitModule() = default;

const MO_SimplePortMetaData* TransformLimitModule::inPortMetadata(int port) const {
  if (const MO_SimplePortMetaData* declared = declaredPort(kPorts, port))
    return declared;
  return Constraint_Module::inPortMetadata(port);
}

bool TransformLimitModule::nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) {
  return setSwitchPortColors(!isOutput && port == kSwitchPort, light, dark) ||
         Constraint_Module::nvPortColors(port, isOutput, light, dark);
}

std::int64_t TransformLimitModule::validateCacheInputs(const CacheCheck& check) const {
  std::int64_t stamp = Constraint_Module::validateCacheInputs(check);
  if (m_flattentype->value(0) == static_cast<int>(TransformLimit::Flatten_e::ALLOW) || !sceneCommon())
    return stamp;
  // A camera hanging below this node would make the walk go round for ever; it is no input then.
  MO_Module* camera = sceneCommon()->camera(false);
  if (camera && camera != this && !camera->dependsOn(this))
    stamp = std::max(stamp, check(camera));
  return stamp;
}

MO_PortTransform* TransformLimitModule::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::computing(*this, ctx, [&](const Math::Matrix4x4& in, Math::Matrix4x4& out) {
    out = limitTransformation(ctx, in);
    return isFinite(out);
  });
}

Math::Matrix4x4 TransformLimitModule::limitTransformation(const MO_BaseContext& ctx, const Math::Matrix4x4& in) {
  using namespace TransformLimit;
  const double frame = ctx.frame();
  double a = limitRatio(m_active->value(frame));
  if (a == 0.0)
    return in;
  LimitSettings s;
  s.tx = limitRatio(m_tx->value(frame));
  s.ty = limitRatio(m_ty->value(frame));
  s.tz = limitRatio(m_tz->value(frame));
  s.sx = limitRatio(m_sx->value(frame));
  s.sy = limitRatio(m_sy->value(frame));
  s.rot = limitRatio(m_rot->value(frame));
  s.skew = limitRatio(m_skew->value(frame));
  s.allowFlip = m_allowflip->value(frame);
  s.uniformScale = m_uniformscale->value(frame);
  s.flatten = static_cast<Flatten_e>(m_flattentype->value(frame));
  s.flipAxis = static_cast<FlipAxisType_e>(m_flipaxis->value(frame));
  s.switchType = static_cast<SwitchType_e>(m_switchtype->value(frame));
  s.skewType = static_cast<SkewType_e>(m_skewtype->value(frame));
  if (s.keepsEverything())
    return in;

  if (MO_Module* switchNode = inputModule(kSwitchPort)) {
    bool found = false;
    const double percent = queryActiveValue(ctx, switchNode, found);
    if (found)
      a = a * percent / 100.0;
  }
  if (a == 0.0 && s.switchType == SwitchType_e::ACTIVE)
    return in;
  s.applySwitch(a);

  const int levels = levelCount(m_pignore->value(frame));
  const QString name = m_parentname->value(frame);
  if (!inputModule(0))
    return in;
  const Math::Matrix4x4 reference = referenceFrame(ctx, levels, name);
  const SC_SceneMetrics* metrics = sceneMetrics();
  if (!metrics)
    return in;
  const Math::Point3d control = metrics->toOGL(Math::Point3d(m_pos->x()->value(frame), m_pos->y()->value(frame), 0));

  LimitCamera camera;
  const bool flatten =
      (s.flatten == Flatten_e::PROJECT3D || s.flatten == Flatten_e::PROJECT3DSCALE) && !m_evaluatingCamera;
  if (flatten) {
    m_evaluatingCamera = true;
    camera.view = sceneCameraMatrix(ctx);
    m_evaluatingCamera = false;
    try {
      camera.view.inverse();
    } catch (...) {
      // A camera that cannot be inverted is used as it is.
    }
    camera.projection = scenePerspectiveMatrix();
  }
  return limitTransform(in, reference, control, s, flatten ? &camera : nullptr);
}

Math::Matrix4x4 TransformLimitModule::referenceFrame(const MO_BaseContext& ctx, int levels, const QString& name) {
  if (inputModule(1))
    return portMatrix(ctx, 1, true);
  if (levels == 0)
    return Math::Matrix4x4();
  MO_Module* node = inputModule(0);
  MO_Module* reached = nullptr;
  int outIndex = 0;
  std::uint32_t count = 0;
  while (node) {
    const int k = node->mainInPortIdAtFrame(ctx.frameKey());
    MO_Port* port = node->inPort(k);
    MO_Module* input = node->inputModule(k);
    if (!port || !input)
      break;
    reached = input;
    // Which of the ancestor's outputs feeds the climb.
    if (const MO_Port* source = port->realSrcPort())
      for (int i = 0; i < input->nOutPorts(); ++i)
        if (input->outPort(i)->id() == source->id()) {
          outIndex = i;
          break;
        }
    if (input->instanceName() == name)
      break;
    // A negative count compares as a huge one: no limit.
    if (!(++count < static_cast<std::uint32_t>(levels)))
      break;
    node = input;
  }
  return reached ? outputMatrix(ctx, reached, outIndex) : Math::Matrix4x4();
}

void TransformLimitModule::oglRenderControl(const MO_OGLContext& ctx) {
  if (ctx.isALineView(Math::Point3d(0, 0, 0)) || !inputModule(0))
    return;
  const double frame = ctx.frameKey().frame();
  Math::Point2d position = m_pos->value(frame);
  if (m_dragX && m_dragY)
    position = Math::Point2d(m_dragX->value(), m_dragY->value());
  const SC_SceneMetrics metrics = sceneMetrics() ? *sceneMetrics() : SC_SceneMetrics();
  const Math::Point3d p = metrics.toOGL(Math::Point3d(position.x, position.y, 0));

  const MO_BaseContext evaluation(ctx.frameKey(), 0);
  const Math::Matrix4x4 arriving = portMatrix(evaluation, 0, true);
  Math::Matrix4x4 at = arriving;
  at.translate(p.x, p.y, 0);
  float atValues[16];
  at.getValues(atValues);
  const Math::Point3d centre(atValues[12], atValues[13], 0);
  const Math::Matrix4x4 leaving = portMatrix(evaluation, 0, false).rotation();
  const Math::Vector3d ax = leaving * Math::Vector3d(kCrossHalf, 0, 0);
  const Math::Vector3d ay = leaving * Math::Vector3d(0, kCrossHalf, 0);

  // The control's points are world positions (the input's matrix is already in them).
  CC_CameraChainTransformCanvasBinder* binder = ctx.oglMatrixManager();
  const Math::Matrix4x4 model = binder->modelMatrix();
  binder->setModelMatrix(Math::Matrix4x4());
  VU_Painter painter(binder);
  const bool picking = ctx.renderMode() == MO_OGLContext::ePickingMode;
  VS_RGBA color = VU_Painter::redColor;
  if (picking) {
    const SLB_ModulePickAdaptor* adaptor = SLB_NodePickAdaptorFactory::pickAdaptorFor(this);
    color = VS_RGBA(SLB_PickEngine::idToColor(adaptor ? adaptor->handleId(0) : 0));
  }
  if (!picking) {
    painter.setLineThickness(3, 1);
    painter.setLineStrokeColor(VS_RGBA(0, 0, 255, 50));
    const Math::Matrix4x4 in = arriving.rotation();
    const Math::Vector3d bx = in * Math::Vector3d(kCrossHalf, 0, 0);
    const Math::Vector3d by = in * Math::Vector3d(0, kCrossHalf, 0);
    painter.drawLine(centre - bx, centre + bx);
    painter.drawLine(centre - by, centre + by);
  }
  painter.setLineThickness(1, 1);
  painter.setPointStrokeColor(color);
  painter.setPointFillColor(color);
  painter.setLineStrokeColor(color);
  painter.drawLine(centre - ax, centre + ax);
  painter.drawLine(centre - ay, centre + ay);
  if (!picking) {
    painter.setPointSize(3, 1);
    painter.drawPoint(centre);
  }
  painter.setPointSize(7, 1);
  painter.drawPoint(centre);
  painter.drawCircle(centre, kCircleRadius);
  binder->setModelMatrix(model);
}
