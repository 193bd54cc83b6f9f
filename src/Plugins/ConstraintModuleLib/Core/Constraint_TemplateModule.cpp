#include "Core/Constraint_TemplateModule.h"

#include "Core/Constraint_AutoInModule.h"
#include "Core/Constraint_Module.h"
#include "Core/NodeColors.h"
#include "Core/TransformFunctions.h"
#include "HostInterface/HostServices.h"

Constraint_TemplateModule::Constraint_TemplateModule(int typeId, int inputPortKind, MO_Module* owner)
    : m_typeId(typeId), m_inputPortKind(inputPortKind), m_owner(owner) {}

Constraint_TemplateModule::~Constraint_TemplateModule() = default;

void Constraint_TemplateModule::setConstraintType(int typeId) {
  m_typeId = typeId;
  const ColorPair colors = constraintTypeColors(typeId);
  m_light = colors.first;
  m_dark = colors.second;
  MO_Node* node = dynamic_cast<Constraint_Module*>(this);
  if (!node)
    node = dynamic_cast<Constraint_AutoInModule*>(this);
  if (!node)
    return;
  node->setLightColorPreference(&m_light);
  node->setDarkColorPreference(&m_dark);
}

double Constraint_TemplateModule::switchActiveValue(const MO_BaseContext&, bool& found) {
  found = false;
  return 0.0;
}

int Constraint_TemplateModule::switchTargetGate(const MO_BaseContext&, bool& found) {
  found = false;
  return 0;
}

Math::Matrix4x4 Constraint_TemplateModule::postTransformation(const MO_BaseContext&, const Math::Matrix4x4&) {
  return Math::Matrix4x4();
}

Math::Point3d Constraint_TemplateModule::nodePivot(const MO_BaseContext& ctx) { return modulePivot(ctx, m_owner); }

Math::Matrix4x4 Constraint_TemplateModule::portMatrix(const MO_BaseContext& ctx, int port, bool fromInput) {
  return readPortMatrix(ctx, m_owner, port, fromInput);
}

Math::Matrix4x4 Constraint_TemplateModule::sceneCameraMatrix(const MO_BaseContext& ctx) const {
  Math::Matrix4x4 result;
  if (m_owner && m_owner->sceneCommon())
    m_owner->sceneCommon()->cameraMatrix(result, ctx.frameKey());
  return result;
}

Math::Matrix4x4 Constraint_TemplateModule::scenePerspectiveMatrix() const {
  if (!m_owner || !m_owner->sceneCommon() || !m_owner->sceneMetrics())
    return Math::Matrix4x4();
  const SC_SceneCommon* scene = m_owner->sceneCommon();
  double nearPlane = 0.1;
  double farPlane = 1000.0;
  scene->cameraPlanes(nearPlane, farPlane);
  return rxscene_func::getSoftRenderPerspectiveMatrix(scene, scene->designAspectRatioX(), scene->designAspectRatioY(),
                                                      nearPlane, farPlane);
}

double Constraint_TemplateModule::currentSceneFrame() const {
  const PLUG_CurrentFrameInterface* frames = PLUG_Services::getCurrentFrameInterface();
  if (!frames)
    return 0.0;
  return static_cast<double>(frames->currentFrame(m_owner ? m_owner->sceneCommon() : nullptr));
}

Math::Matrix4x4 readPortMatrix(const MO_BaseContext& ctx, MO_Module* node, int port, bool fromInput) {
  if (!node)
    return Math::Matrix4x4();
  MO_Port* read = nullptr;
  MO_Module* source = nullptr;
  if (fromInput) {
    MO_Port* in = node->inPort(port);
    if (!in || !in->realSrcNode())
      return Math::Matrix4x4();
    source = in->realSrcNode();
    read = in->realSrcPort();
  } else {
    if (port < 0 || port >= node->nOutPorts())
      return Math::Matrix4x4();
    read = node->outPort(port);
    source = node;
  }
  if (!read)
    return Math::Matrix4x4();
  MO_PortTransform* t = read->transform(ctx.frameKey());
  if (!t || t->transformation().isEmpty()) {
    t = source->computeTransformation(MO_BaseContext(ctx.frameKey(), 0));
    if (!t)
      return Math::Matrix4x4();
  }
  return sanitizedCopy(t->transformation().matrix(true));
}

bool inputSelected(const MO_Module* input) { return input && (input->selected() || input->isSelectedInputRecursive()); }

double queryActiveValue(const MO_BaseContext& ctx, MO_Node* node, bool& found) {
  found = false;
  auto* tmpl = dynamic_cast<Constraint_TemplateModule*>(node);
  return tmpl ? tmpl->switchActiveValue(ctx, found) : 0.0;
}

int queryTargetGate(const MO_BaseContext& ctx, MO_Node* node, bool& found) {
  found = false;
  auto* tmpl = dynamic_cast<Constraint_TemplateModule*>(node);
  return tmpl ? tmpl->switchTargetGate(ctx, found) : 0;
}

Math::Point3d modulePivot(const MO_BaseContext& ctx, MO_Module* module) {
  if (!module)
    return Math::Point3d(0, 0, 0);
  MO_PivotVisitor visitor(ctx);
  module->acceptVisitor(&visitor);
  return visitor.getPivot();
}

double switchModulatedActivity(const MO_BaseContext& ctx, double activePercent, MO_Node* switchNode) {
  double a = activePercent / 100.0;
  if (!switchNode)
    return a;
  bool found = false;
  const double s = queryActiveValue(ctx, switchNode, found);
  if (found)
    a = a == -1.0 ? 1.0 - s / 100.0 : a * s / 100.0;
  return a;
}

SLB_ModulePickAdaptor* findPickAdaptorUpstream(MO_Module* module, const MO_FrameKey& key) {
  while (module) {
    if (SLB_ModulePickAdaptor* adaptor = module->pickAdaptor())
      return adaptor;
    int port = module->mainInPortIdAtFrame(key);
    if (port < 1)
      port = 0;
    module = module->inputModule(port);
  }
  return nullptr;
}

const QString& constraintVisitorKey() {
  static const QString key = QStringLiteral("__Constraint_Visitor_key__");
  return key;
}
