#pragma once
// Fits a transformation (up to a perspective one) that carries the rest pivots of any number of
// input pegs (drawing units) onto where their matrices take them now, blended from rest by ACTIVE
// (percent, clamped to 0..100). Inputs fed by a switch are not points: the first one scales the
// activity. Points are expressed in the first input's frame, or, from four points on or with
// PROJECT, projected through the scene camera onto that input's plane. Missing input, no points,
// and a rigid or degenerate two-point move keep the incoming matrix. The node draws its points
// and their hull in the camera view, and a click near a point makes that peg the main input.
#include <map>
#include <vector>

#include "Core/Constraint_AutoInModule.h"
#include "HostInterface/HostViews.h"
#include "MultiPoints/MultiPointFit.h"
#include "MultiPoints/PointConstraintMultiOptions.h"

class AT_BoolAttr;
class AT_DoubleAttr;

class PointConstraintMultiModule : public Constraint_AutoInModule {
public:
  // The control points a computation stored for one frame, before the hull and the
  // re-expression changed them (positions in drawing units of the scene).
  struct FrameEntry {
    std::vector<PointConstraintMulti::ControlPoint> points;
    bool valid = false;
  };

  static const QString& typeName();
  // Makes the input whose point lies nearest to the click (view coordinates) the main input
  // (registered with the main-port visitor).
  static void mainPortVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module);

  PointConstraintMultiModule();
  ~PointConstraintMultiModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Multi-Points-Constraint"); }

  // The input last found selected or picked, while it still has a node; else 0.
  int mainInPortId() const override;
  // A port fed by a switch is named "Switch"; other ports have the host's default.
  const MO_SimplePortMetaData* inPortMetadata(int port) const override;
  // Ports fed by a switch show the switch-port colours.
  bool nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) override;
  using Constraint_AutoInModule::nvPortColors;
  // The scene camera counts as an input while the points are projected through it.
  std::int64_t validateCacheInputs(const CacheCheck& check) const override;
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;
  // The points of the computed frame, their hull and a faint fill, at rest under the node's
  // output matrix; in picking mode each point and the half of each hull edge next to it in its
  // peg's pick colour.
  void oglRenderControl(const MO_OGLContext& ctx) override;

  // The node's computation in the form the host declares for it: writes the fitted matrix into
  // `out` from the incoming `in`; false keeps the incoming matrix. It reads the settings, gathers
  // the points and hands both to fitMultiPoints.
  virtual bool computeConstraint(const MO_BaseContext& ctx, Math::Matrix4x4& out, const Math::Matrix4x4& in, int depth);
  // The attributes at the context's frame, the first switch on an input included.
  PointConstraintMulti::MultiPointSettings settingsAt(const MO_BaseContext& ctx) const;
  // The fit of four or more points, declared on the node for its callers (the free fitPoints).
  Math::Matrix4x4 fitPoints(const std::vector<PointConstraintMulti::ControlPoint>& points, bool perspective,
                            unsigned int level, double previousChange, const std::vector<double>* weights) const {
    return PointConstraintMulti::fitPoints(points, perspective, level, previousChange, weights);
  }

  // What the last computation at the frame's whole number stored; null when nothing valid.
  const FrameEntry* cachedPoints(int frame) const;
  int selectedPort() const { return m_selectedPort; }
  bool projectedPoints() const { return m_projectedPoints; }

  AT_DoubleAttr* activeAttr() const { return m_active; }
  PointConstraintMulti::FlattenType* flattentypeAttr() const { return m_flattentype; }
  AT_BoolAttr* convexhullAttr() const { return m_convexhull; }
  AT_BoolAttr* allowperspAttr() const { return m_allowpersp; }

private:
  // Pick colours by input port, and whether each port has one.
  struct PortColours {
    explicit PortColours(int ports);
    bool isKnown(unsigned int port) const { return port < known.size() && known[port]; }
    std::vector<VS_RGBA> colour;
    std::vector<bool> known;
  };

  std::vector<PointConstraintMulti::ControlPoint> gatherPoints(const MO_BaseContext& ctx);
  void storePoints(double frame, const std::vector<PointConstraintMulti::ControlPoint>& points);
  PortColours pickColours(const std::vector<PointConstraintMulti::ControlPoint>& points, const MO_FrameKey& key) const;
  void drawHull(VU_Painter& painter, const std::vector<PointConstraintMulti::ControlPoint>& points, bool picking,
                const PortColours& colours) const;
  void drawPoints(VU_Painter& painter, const std::vector<PointConstraintMulti::ControlPoint>& points, bool picking,
                  const PortColours& colours);

  AT_DoubleAttr* m_active;
  PointConstraintMulti::FlattenType* m_flattentype;
  AT_BoolAttr* m_convexhull;
  AT_BoolAttr* m_allowpersp;
  bool m_evaluatingCamera = false;
  // Keyed by whole frame number: memory follows the frames computed, not the highest one.
  std::map<int, FrameEntry> m_pointCache;
  int m_selectedPort = -1;
  bool m_projectedPoints = false;
};
