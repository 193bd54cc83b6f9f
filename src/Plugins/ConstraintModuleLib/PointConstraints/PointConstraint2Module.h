#pragma once
// Carries the segment between two pegs' rest pivots onto where they are now: follows the
// primary peg, aims at the other, stretches with limits and a volume rule (percentages).
// Until its own computation is built the node passes what arrives at its main input through.
#include "Core/Constraint_Module.h"
#include "PointConstraints/PointConstraint2Options.h"

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
};
