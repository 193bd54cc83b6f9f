#include "TransformControls/TransformGateModule.h"

#include <algorithm>
#include <cmath>

#include "Core/NodeColors.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostScene.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "ACTIVE", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kTargetGate("TARGET_GATE", "LOCAL TARGET GATE");
const AT_AttrMeta kDefaultGate("DEFAULT_GATE", "DEFAULT GATE");

// Default and target gates, the blend ratio between them (0 default, 1 target) and the port
// of the switch that chose them (−1 without one) at a frame.
using GateActivity = TransformGateModule::Activity;

} // namespace

const QString& TransformGateModule::typeName() {
  static const QString name = QStringLiteral("TransformGate");
  return name;
}

TransformGateModule::TransformGateModule()
    : Constraint_AutoInModule(0, 0), m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_target_gate(new AT_IntAttr(this, kTargetGate, true, 1, 0, 2147483647, 1)),
      m_default_gate(new AT_IntAttr(this, kDefaultGate, true, 0, 0, 2147483647, 1)) {
  addOutMatrixPort();
  registerAttr(m_active);
  registerAttr(m_target_gate);
  registerAttr(m_default_gate);
}

TransformGateModule::~TransformGateModule() = default;

namespace {

GateActivity gateActivity(const std::vector<Constraint_TemplateModule*>& answering,
                          const TransformGateModule::Settings& settings, double frame) {
  GateActivity g{settings.defaultGate, settings.targetGate, 1.0, -1};
  const MO_BaseContext ctx(MO_FrameKey(frame), 0);
  // The first input that answers as a switch gives the ratio and the target.
  for (int port = 0; port < static_cast<int>(answering.size()); ++port) {
    Constraint_TemplateModule* input = answering[static_cast<std::size_t>(port)];
    bool found = false;
    const double value = input ? input->switchActiveValue(ctx, found) : 0.0;
    if (!found)
      continue;
    g.ratio = std::clamp(value / 100.0, 0.0, 1.0);
    found = false;
    g.targetPort = input->switchTargetGate(ctx, found);
    g.switchPort = port;
    break;
  }
  const double a = settings.active / 100.0;
  if (a < 0.0)
    g.ratio = 1.0 - g.ratio;
  g.ratio *= std::clamp(std::fabs(a), 0.0, 1.0);
  return g;
}

} // namespace

TransformGateModule::Settings TransformGateModule::settingsAt(double frame) const {
  return {m_default_gate->value(frame), m_target_gate->value(frame), m_active->value(frame)};
}

TransformGateModule::Activity TransformGateModule::activityAt(double frame) const {
  // Which inputs could answer as a switch changes only with a link, an edit.
  const std::vector<Constraint_TemplateModule*>& answering = m_answering.get([&] {
    std::vector<Constraint_TemplateModule*> inputs(static_cast<std::size_t>(std::max(nInPorts(), 0)));
    for (std::size_t port = 0; port < inputs.size(); ++port)
      inputs[port] =
          dynamic_cast<Constraint_TemplateModule*>(static_cast<MO_Node*>(inputModule(static_cast<int>(port))));
    return inputs;
  });
  // Without keys the gate's own settings hold at every frame until the next edit; without an
  // input that could answer as a switch either, so does the whole activity.
  const Held& held = m_held.get([&] {
    Held h;
    if (m_active->hasKeys() || m_target_gate->hasKeys() || m_default_gate->hasKeys())
      return h;
    h.settings = settingsAt(0.0);
    if (std::none_of(answering.begin(), answering.end(), [](const Constraint_TemplateModule* in) { return in; }))
      h.activity = gateActivity(answering, *h.settings, 0.0);
    return h;
  });
  if (held.activity)
    return *held.activity;
  return m_activity.get(
      [&] { return gateActivity(answering, held.settings ? *held.settings : settingsAt(frame), frame); }, frame);
}

void TransformGateModule::setConstraintType(int typeId) {
  if (typeId == m_appliedTypeId) {
    m_typeId = typeId;
    return;
  }
  Constraint_AutoInModule::setConstraintType(typeId);
  m_appliedTypeId = typeId;
}

int TransformGateModule::resolveGate(double frame, double* ratio, int* defaultPort, int* targetPort, int* switchPort,
                                     bool* hasSwitch) const {
  if (nOutPorts() == 0)
    return 0;
  GateActivity g = activityAt(frame);
  int result;
  if (g.switchPort >= 0) {
    const bool hasDefault = inputModule(g.defaultPort) != nullptr;
    const bool hasTarget = inputModule(g.targetPort) != nullptr;
    if (!hasDefault && !hasTarget)
      return 0;
    // An empty gate port stands for the other one.
    if (g.ratio > 0.5) {
      result = g.targetPort;
      if (!hasTarget)
        result = g.targetPort = g.defaultPort;
    } else {
      result = g.defaultPort;
      if (!hasDefault)
        result = g.defaultPort = g.targetPort;
    }
  } else {
    result = g.ratio > 0.5 ? g.targetPort : g.defaultPort;
  }
  if (ratio)
    *ratio = g.ratio;
  if (defaultPort)
    *defaultPort = g.defaultPort;
  if (targetPort)
    *targetPort = g.targetPort;
  if (switchPort)
    *switchPort = g.switchPort;
  if (hasSwitch)
    *hasSwitch = g.switchPort >= 0;
  return result;
}

int TransformGateModule::mainInPortIdAtFrame(const MO_FrameKey& key) const {
  if (key.frame() < 0)
    return mainInPortId();
  const int k = resolveGate(key.frame());
  return inputModule(k) ? k : 0;
}

bool TransformGateModule::isPortActive(const MO_FrameKey& key, int port) const {
  double ratio = 1.0;
  int defaultPort = 0, targetPort = 1;
  resolveGate(key.frame(), &ratio, &defaultPort, &targetPort);
  if (port != defaultPort && port != targetPort)
    return false;
  return ratio >= 1.0 ? port == targetPort : port == defaultPort;
}

bool TransformGateModule::nvPortColors(int port, const MO_FrameKey& key, bool isOutput, std::uint32_t& light,
                                       std::uint32_t& dark) {
  if (isOutput)
    return Constraint_AutoInModule::nvPortColors(port, isOutput, light, dark);
  double ratio = 1.0;
  int defaultPort = 0, targetPort = 1;
  resolveGate(key.frame(), &ratio, &defaultPort, &targetPort);
  bool found = false;
  queryActiveValue(MO_BaseContext(MO_FrameKey(1.0), 0), inputModule(port), found);
  if (setSwitchPortColors(found, light, dark))
    return true;
  const ColorPair outlines = constraintTypeColors(7);
  if (port == targetPort) {
    light = gatePortColorBlend(ratio);
    dark = outlines.first;
    return true;
  }
  if (port == defaultPort) {
    light = gatePortColorBlend(1.0 - ratio);
    dark = outlines.second;
    return true;
  }
  return Constraint_AutoInModule::nvPortColors(port, isOutput, light, dark);
}

MO_PortTransform* TransformGateModule::computeTransformation(const MO_BaseContext& ctx) {
  MO_Port* out = outPort(0);
  if (!out || !enabled())
    return MO_Module::computeTransformation(ctx);
  try {
    const GateActivity g = activityAt(ctx.frame());
    const bool hasDefault = inputModule(g.defaultPort) != nullptr;
    const bool hasTarget = inputModule(g.targetPort) != nullptr;
    // The main input is evaluated at every frame, as for every node, even where it is neither gate
    // (an empty gate port falls back to port 0).
    if (!(hasDefault && hasTarget) && g.defaultPort != 0 && g.targetPort != 0 && inputModule(0))
      computeTransformationParent(ctx, mainInPortIdAtFrame(ctx.frameKey()));
    Math::Matrix4x4 m;
    if (!hasTarget) {
      if (hasDefault)
        m = portMatrix(ctx, g.defaultPort, true);
    } else if (!hasDefault || g.targetPort == g.defaultPort || g.ratio == 1.0) {
      m = portMatrix(ctx, g.targetPort, true);
    } else {
      const Math::Matrix4x4 d = portMatrix(ctx, g.defaultPort, true);
      m = g.ratio == 0.0 ? d
                         : blendTransforms(portMatrix(ctx, g.targetPort, true), d, g.ratio, Math::Point3d(0, 0, 0),
                                           Math::Vector3d(0, 0, 0), true, true);
    }
    // The result replaces what the default gate passes down, keeping its depth.
    const MO_PortTransform* parent = computeTransformationParent(ctx, g.defaultPort);
    MO_PortTransform* result = out->addTransform(ctx.frameKey());
    if (!parent)
      result->setTransformation(CC_Transformation(Math::Matrix4x4()), 0, true);
    else
      result->setTransformation(CC_Transformation(m), parent->depth(), true);
    return result;
  } catch (...) {
    return MO_Module::computeTransformation(ctx);
  }
}
