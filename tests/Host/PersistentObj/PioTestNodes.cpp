#include "PioTestNodes.h"

#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_Position2dAttr.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_PortManipulator.h"

namespace {
const AT_DoubleAttrMeta kAmount("AMOUNT", "Amount", "DBL_STEP", -10.0, 10.0, -10.0, 10.0, 0.1);
const AT_AttrMeta kCount("COUNT", "Count");
const AT_AttrMeta kSteps("STEPS", "Steps");
const AT_AttrMeta kOn("ON", "On");
const AT_AttrMeta kLabel("LABEL", "Label");
const AT_AttrMeta kMode("MODE", "Mode");
const AT_AttrMeta kTranslate("translate", "Translate");

const AT_EnumAttrBase::EnumValues& modes() {
  static const AT_EnumAttrBase::EnumValues values{{0, {QStringLiteral("FIRST"), QStringLiteral("First")}},
                                                  {1, {QStringLiteral("SECOND"), QStringLiteral("Second")}},
                                                  {2, {QStringLiteral("THIRD"), QStringLiteral("Third")}}};
  return values;
}

const bool kRegistered = [] {
  MO_ModuleFactorySingleton().registerClass(
      typeid(PioKinds), QStringLiteral("PioKinds"), [] { return new PioKinds; }, [] { return new PioKinds; });
  MO_ModuleFactorySingleton().registerClass(
      typeid(PioAuto), QStringLiteral("PioAuto"), [] { return new PioAuto; }, [] { return new PioAuto; });
  return true;
}();
} // namespace

AT_EnumAttrBase::const_iterator PioModeAttr::enumBegin() const { return modes().begin(); }
AT_EnumAttrBase::const_iterator PioModeAttr::enumEnd() const { return modes().end(); }

bool PioModeAttr::setLocalValue(int v) {
  if (!modes().count(v))
    return false;
  m_value = v;
  changed();
  return true;
}

void PioModeAttr::parseLocalValueString(const QString& s) {
  for (const auto& [v, e] : modes())
    if (e.m_keyword == s)
      setLocalValue(v);
}

PioKinds::PioKinds()
    : amount(new AT_DoubleAttr(this, kAmount, AT_DoubleAttr::eLinkable, 1.5)),
      count(new AT_IntAttr(this, kCount, true, 3, 0, 100, 1)), steps(new AT_IntAttr(this, kSteps, false, 2, 0, 9, 1)),
      on(new AT_BoolAttr(this, kOn, true)), label(new AT_StringAttr(this, kLabel, QStringLiteral("abc"))),
      mode(new PioModeAttr(this, kMode)), translate(new AT_Position2dAttr(this, kTranslate, true, 0.5, -0.5)) {
  addInMatrixPort();
  addInMatrixPort();
  addOutMatrixPort();
  addOutMatrixPort();
  registerAttr(amount);
  registerAttr(count);
  registerAttr(steps);
  registerAttr(on);
  registerAttr(label);
  registerAttr(mode);
  registerAttr(translate);
}

PioAuto::PioAuto() : MO_AutoInPortsModule(new MO_MatrixPortManipulator(this)) { addOutMatrixPort(); }
