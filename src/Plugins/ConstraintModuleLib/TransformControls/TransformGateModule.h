#pragma once
// Passes the transformation of a default or a target input (input port indexes), or a
// blend of the two by the activity (percent); a switch input may choose the target.
// Until its own computation is built the node passes what arrives at its main input through.
#include "Core/Constraint_AutoInModule.h"

class AT_DoubleAttr;
class AT_IntAttr;

class TransformGateModule : public Constraint_AutoInModule {
public:
  static const QString& typeName();

  TransformGateModule();
  ~TransformGateModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Transformation-Gate"); }

  AT_DoubleAttr* activeAttr() const { return m_active; }
  AT_IntAttr* target_gateAttr() const { return m_target_gate; }
  AT_IntAttr* default_gateAttr() const { return m_default_gate; }

private:
  AT_DoubleAttr* m_active;
  AT_IntAttr* m_target_gate;
  AT_IntAttr* m_default_gate;
};
