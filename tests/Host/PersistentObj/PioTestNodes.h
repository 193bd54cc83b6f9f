#pragma once
// Node types that exist only in these tests: "PioKinds" carries one attribute of every kind the
// scene file stores (number with a hard range, animatable and fixed whole numbers, flag, text,
// option, lower-case compound) and two inputs and outputs; "PioAuto" grows its inputs
// on demand. Both register with the module factory when the test binary loads.
#include "SceneCore/AT_EnumAttrBase.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_Module.h"

class AT_BoolAttr;
class AT_DoubleAttr;
class AT_IntAttr;
class AT_Position2dAttr;
class AT_StringAttr;

class PioModeAttr : public AT_EnumAttrBase {
public:
  PioModeAttr(MO_Node* owner, const AT_AttrMeta& meta) : AT_EnumAttrBase(owner, meta) {}
  const_iterator enumBegin() const override;
  const_iterator enumEnd() const override;
  bool setLocalValue(int v) override;
  int value(double) const override { return m_value; }
  void fillEnumValues() override {}
  int localValue() const override { return m_value; }
  void parseLocalValueString(const QString& s) override;

private:
  int m_value = 0;
};

class PioKinds : public MO_Module {
public:
  PioKinds();
  QString moduleTypeName() const override { return QStringLiteral("PioKinds"); }
  AT_DoubleAttr* amount;
  AT_IntAttr* count;
  AT_IntAttr* steps;
  AT_BoolAttr* on;
  AT_StringAttr* label;
  PioModeAttr* mode;
  AT_Position2dAttr* translate;
};

class PioAuto : public MO_AutoInPortsModule {
public:
  PioAuto();
  QString moduleTypeName() const override { return QStringLiteral("PioAuto"); }
};
