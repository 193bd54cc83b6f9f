#include "TransformControls/TransformLimitModule.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Core/AncestorClimb.h"
#include "Core/ConstraintPipeline.h"
#include "Core/DrawingSpace.h"
#include "Core/NodeColors.h"
#include "Core/PortDeclarations.h"
#include "Core/SceneCamera.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostViews.h"
#include "TransformControls/TransformLimitDragSurrogate.h"
#include "TransformControls/TransformLimitMath.h"

using namespace TransformLimit;

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
  return withCameraStamp(Constraint_Module::validateCacheInputs(check), *this,
                         m_flattentype->enumValue() != Flatten_e::ALLOW, check);
}

MO_PortTransform* TransformLimitModule::computeTransformation(const MO_BaseContext& ctx) {
  return ConstraintPipeline::computing(*this, ctx,
                                       [&](const Math::Matrix4x4& in) { return limitTransformation(ctx, in); });
}

std::optional<Math::Matrix4x4> TransformLimitModule::limitTransformation(const MO_BaseContext& ctx,
                                                                         const Math::Matrix4x4& in) {
  const std::optional<Settings> s = settingsAt(ctx);
  if (!s || !inputModule(0))
    return in;
  const Math::Matrix4x4 reference = referenceFrame(ctx, s->levels, s->parentName);
  std::optional<CameraMatrices> camera;
  if (s->limit.flatten == Flatten_e::PROJECT3D || s->limit.flatten == Flatten_e::PROJECT3DSCALE)
    camera = lookUpSceneCamera(*this, ctx, m_evaluatingCamera, SingularCamera::CameraItself);
  return limitTransform(in, reference, s->limit, camera ? &*camera : nullptr);
}

std::optional<TransformLimitModule::Settings> TransformLimitModule::settingsAt(const MO_BaseContext& ctx) const {
  // Without keys the attributes hold at every frame: they are read again only after an edit
  // (a surrogate standing in counts as one). The switch is asked at every frame.
  const std::optional<std::optional<Settings>>& steady = m_steady.get([&]() -> std::optional<std::optional<Settings>> {
    for (const AT_Attr* a :
         std::initializer_list<const AT_Attr*>{m_active, m_tx, m_ty, m_tz, m_sx, m_sy, m_rot, m_skew, m_pignore,
                                               m_pos->x(), m_pos->y(), m_allowflip, m_uniformscale})
      if (a->hasKeys())
        return std::nullopt;
    return readSettings(0.0);
  });
  std::optional<Settings> s = steady ? *steady : readSettings(ctx.frame());
  if (!s)
    return std::nullopt;
  double a = s->limit.activity;
  if (MO_Module* switchNode = inputModule(kSwitchPort)) {
    bool found = false;
    const double percent = queryActiveValue(ctx, switchNode, found);
    if (found)
      a = a * percent / 100.0;
  }
  if (a == 0.0 && s->limit.switchType == SwitchType_e::ACTIVE)
    return std::nullopt;
  s->limit.applySwitch(a);
  return s;
}

std::optional<TransformLimitModule::Settings> TransformLimitModule::readSettings(double frame) const {
  Settings s;
  LimitSettings& limit = s.limit;
  limit.activity = limitRatio(m_active->value(frame));
  if (limit.activity == 0.0)
    return std::nullopt;
  limit.tx = limitRatio(m_tx->value(frame));
  limit.ty = limitRatio(m_ty->value(frame));
  limit.tz = limitRatio(m_tz->value(frame));
  limit.sx = limitRatio(m_sx->value(frame));
  limit.sy = limitRatio(m_sy->value(frame));
  limit.rot = limitRatio(m_rot->value(frame));
  limit.skew = limitRatio(m_skew->value(frame));
  limit.allowFlip = m_allowflip->value(frame);
  limit.uniformScale = m_uniformscale->value(frame);
  limit.flatten = m_flattentype->enumValue();
  limit.flipAxis = m_flipaxis->enumValue();
  limit.switchType = m_switchtype->enumValue();
  limit.skewType = m_skewtype->enumValue();
  if (limit.keepsEverything())
    return std::nullopt;
  s.levels = levelCount(m_pignore->value(frame));
  s.parentName = m_parentname->value(frame);
  // The control is placed in drawing units, which need the scene's metrics.
  const SC_SceneMetrics* metrics = sceneMetrics();
  if (!metrics)
    return std::nullopt;
  limit.control = metrics->toOGL(Math::Point3d(m_pos->x()->value(frame), m_pos->y()->value(frame), 0));
  return s;
}

Math::Matrix4x4 TransformLimitModule::referenceFrame(const MO_BaseContext& ctx, int levels, const QString& name) {
  if (inputModule(1))
    return portMatrix(ctx, 1, true);
  if (levels == 0)
    return Math::Matrix4x4();
  // A negative count compares as a huge one: no limit.
  const Ancestor up = climbToAncestor(ctx.frameKey(), inputModule(0), static_cast<std::uint32_t>(levels), name);
  return up.node ? readPortMatrix(ctx, up.node, up.outPort, false) : Math::Matrix4x4();
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
  const DrawingSpace sceneSpace(ctx);
  VU_Painter painter(ctx.oglMatrixManager());
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
  setColours(painter, color, color);
  painter.drawLine(centre - ax, centre + ax);
  painter.drawLine(centre - ay, centre + ay);
  if (!picking) {
    painter.setPointSize(3, 1);
    painter.drawPoint(centre);
  }
  painter.setPointSize(7, 1);
  painter.drawPoint(centre);
  painter.drawCircle(centre, kCircleRadius);
}
