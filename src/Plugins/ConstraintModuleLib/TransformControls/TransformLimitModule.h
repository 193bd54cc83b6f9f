#pragma once
// Keeps only chosen percentages (0 to 100) of its input's translation, scale, rotation and skew
// relative to a reference frame, about a draggable control position (POS, scene units, in the
// space of what arrives at the main input). The reference frame is the Forced-Transform input,
// else an ancestor up the main inputs (Ignore Parents levels, or the one named Parent's Name),
// else the world. Nothing on the main input, no scene, an activity of 0 or every share at 100 %
// pass the input through; so does a degenerate input whose result would not be finite.
#include <optional>

#include "Core/Constraint_Module.h"
#include "TransformControls/TransformLimitMath.h"
#include "TransformControls/TransformLimitOptions.h"

class AT_BoolAttr;
class AT_DoubleAttr;
class AT_Position2dAttr;
class AT_StringAttr;
class TransformLimitDragSurrogate;

class TransformLimitModule : public Constraint_Module {
public:
  static const QString& typeName();

  TransformLimitModule();
  ~TransformLimitModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Transformation-Limit"); }
  const MO_SimplePortMetaData* inPortMetadata(int port) const override;
  // The Switch port shows the switch-port colours.
  bool nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) override;
  // While flattening through the camera, the camera is an input of this node too.
  std::int64_t validateCacheInputs(const CacheCheck& check) const override;
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;

  // What the node reads at a frame: the limits, and where the reference frame lies up the main
  // inputs (without a Forced-Transform input).
  struct Settings {
    LimitSettings limit;
    int levels = 0; // Ignore Parents as a count of levels (negative: no limit)
    QString parentName;
  };
  // The node's computation: `in` itself when it passes as it is, the limited matrix, or nothing
  // when that is not finite (the host's default then stands). It reads the settings, finds the
  // reference frame and the camera, and hands them to limitTransform.
  std::optional<Math::Matrix4x4> limitTransformation(const MO_BaseContext& ctx, const Math::Matrix4x4& in);
  // The attributes at the context's frame, the switch applied; nothing when they alone let the
  // input pass (no activity, every share whole, no scene to place the control in).
  std::optional<Settings> settingsAt(const MO_BaseContext& ctx) const;
  // The same before the switch (`limit.activity` the node's own): nothing when they alone let
  // the input pass, whatever the switch says.
  std::optional<Settings> readSettings(double frame) const;
  // The reference frame at the context's frame: the Forced-Transform input, else the output of
  // the ancestor `levels` steps up the main inputs from the node on the main input (stopping
  // early at one named `name`; a negative count climbs to the top), else the identity.
  Math::Matrix4x4 referenceFrame(const MO_BaseContext& ctx, int levels, const QString& name);
  // The control: the input's and the output's orientation crosses about the control position,
  // a point and a circle; only the cross, point and circle of the output in the pick colour
  // when picking.
  void oglRenderControl(const MO_OGLContext& ctx) override;

  // A drag in progress shows its position through these (both null between drags).
  void setDragSurrogates(TransformLimitDragSurrogate* x, TransformLimitDragSurrogate* y) {
    m_dragX = x;
    m_dragY = y;
  }
  TransformLimitDragSurrogate* dragSurrogateX() const { return m_dragX; }
  TransformLimitDragSurrogate* dragSurrogateY() const { return m_dragY; }

  AT_DoubleAttr* activeAttr() const { return m_active; }
  TransformLimit::SwitchType* switchtypeAttr() const { return m_switchtype; }
  AT_DoubleAttr* txAttr() const { return m_tx; }
  AT_DoubleAttr* tyAttr() const { return m_ty; }
  AT_DoubleAttr* tzAttr() const { return m_tz; }
  AT_DoubleAttr* rotAttr() const { return m_rot; }
  AT_DoubleAttr* skewAttr() const { return m_skew; }
  AT_DoubleAttr* sxAttr() const { return m_sx; }
  AT_DoubleAttr* syAttr() const { return m_sy; }
  AT_BoolAttr* allowflipAttr() const { return m_allowflip; }
  AT_BoolAttr* uniformscaleAttr() const { return m_uniformscale; }
  AT_DoubleAttr* pignoreAttr() const { return m_pignore; }
  AT_StringAttr* parentnameAttr() const { return m_parentname; }
  TransformLimit::FlattenType* flattentypeAttr() const { return m_flattentype; }
  TransformLimit::SkewType* skewtypeAttr() const { return m_skewtype; }
  TransformLimit::FlipAxisType* flipaxisAttr() const { return m_flipaxis; }
  AT_Position2dAttr* posAttr() const { return m_pos; }

private:
  AT_DoubleAttr* m_active;
  TransformLimit::SwitchType* m_switchtype;
  AT_DoubleAttr* m_tx;
  AT_DoubleAttr* m_ty;
  AT_DoubleAttr* m_tz;
  AT_DoubleAttr* m_rot;
  AT_DoubleAttr* m_skew;
  AT_DoubleAttr* m_sx;
  AT_DoubleAttr* m_sy;
  AT_BoolAttr* m_allowflip;
  AT_BoolAttr* m_uniformscale;
  AT_DoubleAttr* m_pignore;
  AT_StringAttr* m_parentname;
  TransformLimit::FlattenType* m_flattentype;
  TransformLimit::SkewType* m_skewtype;
  TransformLimit::FlipAxisType* m_flipaxis;
  AT_Position2dAttr* m_pos;
  // Set while the scene camera is evaluated for this node, so that a camera hanging below it
  // does not flatten again through itself.
  bool m_evaluatingCamera = false;
  // The settings before the switch, when no attribute has keys (until the next edit): the outer
  // optional is empty when some attribute has keys, the inner one when the input passes.
  MO_UntilEdit<std::optional<std::optional<Settings>>> m_steady;
  TransformLimitDragSurrogate* m_dragX = nullptr;
  TransformLimitDragSurrogate* m_dragY = nullptr;
};
