#pragma once
// The affine map carrying the triangle of three pegs' rest pivots (PIVOT, scene units, taken to
// drawing units) onto where they are now: translation, turn, scale and skew all follow from the
// three points, taken from the primary peg's corner. ACTIVE (percent, modulated by a switch on
// the Switch port) blends towards the right peg's matrix, extrapolating outside 0..100. A
// degenerate triangle is kept invertible rather than refused; missing pegs, coinciding rest
// pivots or a disabled node leave the host's default result (the main input's). The node
// remembers per frame where the pivots were, to draw its control (a triangle whose edges are
// split between the pegs' pick colours) and to choose its main input from a click.
#include "Core/Constraint_Module.h"
#include "PointConstraints/PivotCache.h"
#include "PointConstraints/PointConstraint3Options.h"
#include "PointConstraints/PointConstraintCommon.h"
#include "PointConstraints/PointConstraintMath.h"

class AT_DoubleAttr;

class PointConstraint3Module : public Constraint_Module {
public:
  static const QString& typeName();
  // Chooses the main input from a click in the view (registered with the main-port visitor).
  static void mainPortVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module);

  PointConstraint3Module();
  ~PointConstraint3Module() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Three-Points-Constraints"); }
  const MO_SimplePortMetaData* inPortMetadata(int port) const override;
  // The peg last chosen (by selection, a click or the control's drawing) when it is still
  // linked, else the peg PRIMARYPORT names (the right one for TOPMOST and BOTTOMMOST).
  int mainInPortId() const override;
  // The Switch port shows the switch-port colours.
  bool nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) override;
  using Constraint_Module::nvPortColors;
  void oglRenderControl(const MO_OGLContext& ctx) override;
  // Under PROJECT the scene camera is an input of the result too.
  std::int64_t validateCacheInputs(const CacheCheck& check) const override;
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;
  // The node's computation in the form the host declares for it: `in` is what the host passed
  // down from the main input (sanitised here); true when `out` holds the result, false when the
  // host's default is to stand. It reads the settings, gathers the pegs and hands both to
  // triangleResult.
  virtual bool computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out, Math::Matrix4x4& in, int& depth);
  // The attributes at the context's frame (ACTIVE in single precision), the switch included.
  PointConstraintMath::TriangleSettings settingsAt(const MO_BaseContext& ctx) const;

  AT_DoubleAttr* activeAttr() const { return m_active; }
  PointConstraint3::FlattenType* flattentypeAttr() const { return m_flattentype; }
  PointConstraint3::TransformType* transformtypeAttr() const { return m_transformtype; }
  PointConstraint3::PrimaryPortType* primaryportAttr() const { return m_primaryport; }

private:
  // settingsAt with the node on the Switch port already found.
  PointConstraintMath::TriangleSettings settingsAt(const MO_BaseContext& ctx, MO_Node* switchNode) const;
  // False when two rest pivots coincide; `primary` is the input the corners start from. `right`
  // is the right peg's matrix when already known (sanitised), else null and the port is read.
  bool gatherPegs(const MO_BaseContext& ctx, const PointConstraintMath::TriangleSettings& s,
                  const std::array<MO_Module*, 3>& pegs, const Math::Matrix4x4* right,
                  PointConstraintMath::TrianglePegs& triangle, int& primary);
  void projectCorners(const MO_BaseContext& ctx, const PointConstraintMath::TriangleSettings& s,
                      PointConstraintMath::TrianglePegs& triangle);

  AT_DoubleAttr* m_active;
  PointConstraint3::FlattenType* m_flattentype;
  PointConstraint3::TransformType* m_transformtype;
  PointConstraint3::PrimaryPortType* m_primaryport;
  PivotCache<3> m_pointCache;
  PointConstraintCommon::InputCache<4> m_inputs; // right, middle, left, switch
  PointConstraintCommon::RestPivotCache<3> m_restPivots;
  MO_UntilEdit<std::optional<double>> m_steadyActive;           // ACTIVE when it has no keys
  MO_UntilEdit<std::optional<MatrixValues>, int> m_restInverse; // the rest frame's, for the primary input
  int m_selectedPort = -1;
  bool m_evaluatingCamera = false;
  bool m_inIsRight = false; // during computeTransformation: `in` is the right peg's matrix
};
