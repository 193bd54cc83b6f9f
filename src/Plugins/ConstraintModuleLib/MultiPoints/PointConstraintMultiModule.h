#pragma once
// Fits a transformation (up to a perspective one) to the pivots of any number of input
// pegs; a switch on any input modulates the activity.
// Until its own computation is built the node passes what arrives at its main input through.
#include "Core/Constraint_AutoInModule.h"
#include "MultiPoints/PointConstraintMultiOptions.h"

class AT_BoolAttr;
class AT_DoubleAttr;

class PointConstraintMultiModule : public Constraint_AutoInModule {
public:
  static const QString& typeName();
  // Chooses the main input from a click in the view (registered with the main-port visitor).
  static void mainPortVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module);

  PointConstraintMultiModule();
  ~PointConstraintMultiModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Multi-Points-Constraint"); }

  AT_DoubleAttr* activeAttr() const { return m_active; }
  PointConstraintMulti::FlattenType* flattentypeAttr() const { return m_flattentype; }
  AT_BoolAttr* convexhullAttr() const { return m_convexhull; }
  AT_BoolAttr* allowperspAttr() const { return m_allowpersp; }

private:
  AT_DoubleAttr* m_active;
  PointConstraintMulti::FlattenType* m_flattentype;
  AT_BoolAttr* m_convexhull;
  AT_BoolAttr* m_allowpersp;
};
