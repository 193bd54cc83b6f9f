#pragma once
// The affine map carrying the triangle of three pegs' rest pivots onto where they are now.
// Until its own computation is built the node passes what arrives at its main input through.
#include "Core/Constraint_Module.h"
#include "PointConstraints/PointConstraint3Options.h"

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

  AT_DoubleAttr* activeAttr() const { return m_active; }
  PointConstraint3::FlattenType* flattentypeAttr() const { return m_flattentype; }
  PointConstraint3::TransformType* transformtypeAttr() const { return m_transformtype; }
  PointConstraint3::PrimaryPortType* primaryportAttr() const { return m_primaryport; }

private:
  AT_DoubleAttr* m_active;
  PointConstraint3::FlattenType* m_flattentype;
  PointConstraint3::TransformType* m_transformtype;
  PointConstraint3::PrimaryPortType* m_primaryport;
};
