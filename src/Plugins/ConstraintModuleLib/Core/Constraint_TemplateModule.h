#pragma once
// The interface every constraint node shares, whatever its host base: its colour type id and
// colours, and what a node found on one of another constraint's inputs can be asked without
// knowing its class: a switch value (percent), a target gate, a pivot (scene units) and the
// matrix arriving at or leaving one of its ports (drawing units). Missing pieces give
// neutral answers (not found, the identity, the origin); nothing here throws.
#include <cstdint>

#include "HostInterface/HostMath.h"
#include "HostInterface/HostScene.h"

class Constraint_TemplateModule {
public:
  explicit Constraint_TemplateModule(int typeId = 0, int inputPortKind = 2, MO_Module* owner = nullptr);
  virtual ~Constraint_TemplateModule();

  // Stores the id and its colour pair, and shows the colours on the owning node.
  virtual void setConstraintType(int typeId);
  // The activity in percent this node offers as a switch for the frame; not found by default.
  virtual double switchActiveValue(const MO_BaseContext& ctx, bool& found);
  // The gate number this node selects for the frame; not found by default.
  virtual int switchTargetGate(const MO_BaseContext& ctx, bool& found);
  // What the base pipeline appends to the computed transformation (the identity by default).
  virtual Math::Matrix4x4 postTransformation(const MO_BaseContext& ctx, const Math::Matrix4x4& current);
  virtual Math::Point3d nodePivot(const MO_BaseContext& ctx);
  // The matrix arriving at input `port` (fromInput) or leaving output `port`, guarded against
  // zero scale; the identity for anything missing.
  virtual Math::Matrix4x4 portMatrix(const MO_BaseContext& ctx, int port, bool fromInput);

  int constraintTypeId() const { return m_typeId; }
  int inputPortKind() const { return m_inputPortKind; }
  MO_Module* owner() const { return m_owner; }
  std::uint32_t lightColor() const { return m_light; }
  std::uint32_t darkColor() const { return m_dark; }

  // The scene's camera matrix at the frame (camera to scene; the identity without a scene).
  Math::Matrix4x4 sceneCameraMatrix(const MO_BaseContext& ctx) const;
  // The scene camera's perspective for the design aspect ratio (the identity without a scene).
  Math::Matrix4x4 scenePerspectiveMatrix() const;
  // The frame the host shows, or 0 when it offers no current-frame interface.
  double currentSceneFrame() const;

protected:
  int m_typeId;
  int m_inputPortKind;
  MO_Module* m_owner;
  std::uint32_t m_light = 0;
  std::uint32_t m_dark = 0;
};

// The matrix arriving at input `port` of `node` (fromInput) or leaving its output `port`, read as
// every constraint reads ports: what is stored for the frame, else computed now, guarded against
// zero scale; the identity for anything missing.
Math::Matrix4x4 readPortMatrix(const MO_BaseContext& ctx, MO_Module* node, int port, bool fromInput);
// A node on an input counts as selected when it, or anything feeding it, is.
bool inputSelected(const MO_Module* input);
// The switch value of a node found on an input (percent); not found for null or non-constraint nodes.
double queryActiveValue(const MO_BaseContext& ctx, MO_Node* node, bool& found);
int queryTargetGate(const MO_BaseContext& ctx, MO_Node* node, bool& found);
// A module's pivot in scene units as a pivot visitor finds it ((0, 0, 0) for null).
Math::Point3d modulePivot(const MO_BaseContext& ctx, MO_Module* module);
// ACTIVE (percent) / 100, modulated by a switch node on the Switch port: an ACTIVE of exactly
// −100 inverts the switch (1 − s/100), any other value is multiplied by s/100.
double switchModulatedActivity(const MO_BaseContext& ctx, double activePercent, MO_Node* switchNode);
// The pick adaptor of the module or of the first module above it along main inputs.
SLB_ModulePickAdaptor* findPickAdaptorUpstream(MO_Module* module, const MO_FrameKey& key);
// The key under which constraint nodes forward pivot visitors to their first input.
const QString& constraintVisitorKey();
