#pragma once
// Carries the segment between two pegs' rest pivots (PIVOT, scene units, taken to drawing
// units) onto where they are now: follows the primary peg, aims at the other, stretches along
// the segment within limits and squashes across it by a volume rule (all percentages), and
// blends by ACTIVE (percent, modulated by a switch on the Switch port) about the right pivot.
// The right peg's matrix is what arrives at input 0, whichever input is main. Missing pegs,
// coinciding rest pivots or a disabled node leave the host's default result (the main input's).
// The node remembers per frame where both pivots were, to draw its control (a line split
// between the pegs' pick colours) and to choose its main input from a click.
#include <optional>
#include <utility>

#include "Core/Constraint_Module.h"
#include "PointConstraints/PivotCache.h"
#include "PointConstraints/PointConstraint2Options.h"
#include "PointConstraints/PointConstraintCommon.h"
#include "PointConstraints/PointConstraintMath.h"

class AT_DoubleAttr;

class PointConstraint2Module : public Constraint_Module {
public:
  static const QString& typeName();
  // Chooses the main input from a click in the view (registered with the main-port visitor).
  static void mainPortVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module);

  PointConstraint2Module();
  ~PointConstraint2Module() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Two-Points-Constraint"); }
  const MO_SimplePortMetaData* inPortMetadata(int port) const override;
  // The peg last chosen (by selection, a click or the control's drawing) when it is still
  // linked, else the left peg for PRIMARYPORT LEFT and the right one otherwise.
  int mainInPortId() const override;
  // The Switch port shows the switch-port colours.
  bool nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) override;
  using Constraint_Module::nvPortColors;
  void oglRenderControl(const MO_OGLContext& ctx) override;
  // Under PROJECT the scene camera is an input of the result too.
  std::int64_t validateCacheInputs(const CacheCheck& check) const override;
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;
  // The node's computation in the form the host declares for it: `in` is the right peg's matrix
  // (sanitised here); true when `out` holds the result, false when the host's default is to
  // stand. It reads the settings, gathers the pegs and hands both to segmentMap.
  virtual bool computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out, Math::Matrix4x4& in);
  // The attributes at the context's frame (read in single precision), the switch included.
  PointConstraintMath::SegmentSettings settingsAt(const MO_BaseContext& ctx) const;

  AT_DoubleAttr* activeAttr() const { return m_active; }
  AT_DoubleAttr* volumemodAttr() const { return m_volumemod; }
  AT_DoubleAttr* volumemaxAttr() const { return m_volumemax; }
  AT_DoubleAttr* volumeminAttr() const { return m_volumemin; }
  AT_DoubleAttr* stretchmaxAttr() const { return m_stretchmax; }
  AT_DoubleAttr* stretchminAttr() const { return m_stretchmin; }
  AT_DoubleAttr* skewcontrolAttr() const { return m_skewcontrol; }
  AT_DoubleAttr* smoothAttr() const { return m_smooth; }
  AT_DoubleAttr* balanceAttr() const { return m_balance; }
  PointConstraint2::FlattenType* flattentypeAttr() const { return m_flattentype; }
  PointConstraint2::TransformType* transformtypeAttr() const { return m_transformtype; }
  PointConstraint2::PrimaryPortType* primaryportAttr() const { return m_primaryport; }

private:
  // The attributes at a frame, ACTIVE as its percentage (before any switch).
  PointConstraintMath::SegmentSettings readSettings(double frame) const;
  // settingsAt with the node on the Switch port already found.
  PointConstraintMath::SegmentSettings settingsAt(const MO_BaseContext& ctx, MO_Node* switchNode) const;
  PointConstraintMath::SegmentPegs gatherPegs(const MO_BaseContext& ctx, const PointConstraintMath::SegmentSettings& s,
                                              const Math::Matrix4x4& right, const std::array<MO_Module*, 2>& pegInputs);

  AT_DoubleAttr* m_active;
  AT_DoubleAttr* m_volumemod;
  AT_DoubleAttr* m_volumemax;
  AT_DoubleAttr* m_volumemin;
  AT_DoubleAttr* m_stretchmax;
  AT_DoubleAttr* m_stretchmin;
  AT_DoubleAttr* m_skewcontrol;
  AT_DoubleAttr* m_smooth;
  AT_DoubleAttr* m_balance;
  PointConstraint2::FlattenType* m_flattentype;
  PointConstraint2::TransformType* m_transformtype;
  PointConstraint2::PrimaryPortType* m_primaryport;
  PivotCache<2> m_pointCache;
  PointConstraintCommon::InputCache<3> m_inputs; // right, left, switch
  PointConstraintCommon::RestPivotCache<2> m_restPivots;
  MO_UntilEdit<std::optional<PointConstraintMath::SegmentSettings>> m_steady; // when no attribute has keys
  // The rest segment, for the side the primary was on and whether it was flattened.
  MO_UntilEdit<std::optional<PointConstraintMath::RestSegment>, std::pair<bool, bool>> m_restSegment;
  int m_selectedPort = -1;
  bool m_evaluatingCamera = false;
};
