#include "MultiPoints/PointConstraintMultiModule.h"

#include "HostInterface/HostAttributes.h"

namespace {

const AT_DoubleAttrMeta kActive("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE");
const AT_AttrMeta kFlattentype("FLATTENTYPE", "Flatten Type");
const AT_AttrMeta kConvexhull("CONVEXHULL", "Ignore Internal Points");
const AT_AttrMeta kAllowpersp("ALLOWPERSP", "Allow Perspective Transform");

} // namespace

const QString& PointConstraintMultiModule::typeName() {
  static const QString name = QStringLiteral("PointConstraintMulti");
  return name;
}

void PointConstraintMultiModule::mainPortVisitor(MO_AbstractModuleVisitor*, MO_Module*) {
  // Until the node draws its control there is nothing near a click to choose: the main input
  // stays the default one.
}

PointConstraintMultiModule::PointConstraintMultiModule()
    : Constraint_AutoInModule(2, 0),
      m_active(new AT_DoubleAttr(this, kActive, 1, 100)),
      m_flattentype(new PointConstraintMulti::FlattenType(this, kFlattentype)),
      m_convexhull(new AT_BoolAttr(this, kConvexhull, false)),
      m_allowpersp(new AT_BoolAttr(this, kAllowpersp, false)) {
  addOutMatrixPort();
  registerAttr(m_active);
  registerAttr(m_flattentype);
  registerAttr(m_convexhull);
  registerAttr(m_allowpersp);
}

PointConstraintMultiModule::~PointConstraintMultiModule() = default;
